// PNG and JPEG pictures for brindlefax convert, decoded by Qt Gui (built with render).
#pragma once

#include "faximage/document_raster.h"

#include <string>

namespace brindlefax {

int readPictureWithQt(const std::string& path, double xDpi, double yDpi, int maxWidth,
                      int maxHeight, faximage::GreyPage& out, std::string& why);

}  // namespace brindlefax
