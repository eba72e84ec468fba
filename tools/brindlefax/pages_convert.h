// Converting PDF, PostScript and picture files into BRX fax files: each page rendered at
// the fax resolution, at most 1728 pixels wide (A4 and Letter both fit), centred on the
// line and made black and white (greys dithered, text and lines sharp).
#pragma once

#include "faximage/converter.h"
#include "faximage/document_raster.h"

#include <functional>
#include <string>

namespace brindlefax {

// Reads a picture file as grey pixels fitted into maxWidth x maxHeight at xDpi x yDpi
// (its own resolution, or 96 pixels an inch, giving its size); 0 or an error code with
// the reason in `why`. Set only where the build has a picture decoder.
using PictureReader = std::function<int(const std::string& path, double xDpi, double yDpi,
                                        int maxWidth, int maxHeight, faximage::GreyPage& out,
                                        std::string& why)>;
void setPictureReader(PictureReader reader);
bool havePictureReader();

enum class PagesInput { Document, Picture };

// Converts `input` with the converter's resolution and output name; the converter's
// other settings are its own. Returns 0 or an error code with `why` saying what failed.
int convertPages(faximage::TFxFaxConverter& conv, const std::string& input, PagesInput kind,
                 std::string& why);

}  // namespace brindlefax
