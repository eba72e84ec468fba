// The brindlefax subcommands: file information, conversion into BRX, page export.
#include "commands.h"
#include "pages_convert.h"

#include "base/filenames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>

#include "faximage/brx_file.h"
#include "faximage/converter.h"
#include "faximage/errors.h"
#include "faximage/file_io.h"
#include "faximage/image_export.h"
#include "faximage/pdf_export.h"
#include "faximage/page_image.h"

namespace brindlefax {

using namespace faximage;

bool Parsed::has(const std::string& f) const {
  return std::find(flags.begin(), flags.end(), f) != flags.end();
}

std::optional<std::string> Parsed::value(const std::string& k) const {
  auto it = values.find(k);
  return it == values.end() ? std::nullopt : std::optional(it->second);
}

Parsed parse(const Args& args, const std::vector<std::string>& withValue,
             const std::vector<std::string>& flags) {
  Parsed p;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (std::find(withValue.begin(), withValue.end(), a) != withValue.end()) {
      if (i + 1 >= args.size()) {
        p.error = "missing value after " + a;
        return p;
      }
      p.values[a] = args[++i];
    } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
      p.flags.push_back(a);
    } else if (a.size() > 1 && a[0] == '-') {
      p.error = "unknown option " + a;
      return p;
    } else {
      p.positional.push_back(a);
    }
  }
  return p;
}

bool toUnsigned(const std::string& s, unsigned& out) {
  if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
    return false;
  out = unsigned(std::stoul(s));
  return true;
}

int fail(std::ostream& err, int code, const std::string& what) {
  err << "brindlefax: " << what << ": " << errorText(code) << " (" << code << ")\n";
  return 1;
}

int usageError(std::ostream& err, const std::string& msg) {
  err << "brindlefax: " << msg << "\n";
  return 2;
}

namespace {

std::string lower(std::string s) {
  for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string dateText(std::uint32_t packed) {
  if (packed == 0) return "none";
  auto d = unpackFileDate(packed);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                d.minute, d.second);
  return buf;
}

std::string typeName(const std::string& name, const std::optional<std::string>& given) {
  return given ? lower(*given) : lower(name.substr(name.find_last_of('.') + 1));
}

// PDF, PostScript and pictures, which are rendered page by page.
std::optional<PagesInput> pagesFor(const std::string& t) {
  if (t == "pdf" || t == "ps" || t == "eps" || t == "postscript") return PagesInput::Document;
  if (t == "png" || t == "jpg" || t == "jpeg") return PagesInput::Picture;
  return std::nullopt;
}

std::optional<TFaxInputDocumentType> typeFor(const std::string& t) {
  if (t == "txt" || t == "text") return TFaxInputDocumentType::idText;
  if (t == "bmp") return TFaxInputDocumentType::idBmp;
  if (t == "tif" || t == "tiff") return TFaxInputDocumentType::idTiff;
  if (t == "pcx") return TFaxInputDocumentType::idPcx;
  if (t == "dcx") return TFaxInputDocumentType::idDcx;
  return std::nullopt;
}

}  // namespace

int runInfo(const Args& args, std::ostream& out, std::ostream& err) {
  auto p = parse(args, {}, {});
  if (!p.error.empty() || p.positional.size() != 1)
    return usageError(err, p.error.empty() ? "info needs one FILE" : p.error);
  BrxReader r;
  int rc = r.openFile(p.positional[0]);
  if (rc != ecOK) return fail(err, rc, p.positional[0]);
  out << "File:    " << p.positional[0] << "\n"
      << "Pages:   " << r.pageCount() << "\n"
      << "Sender:  " << r.header().senderIdText() << "\n"
      << "Date:    " << dateText(r.header().fileDate) << "\n";
  for (int n = 1; n <= r.pageCount(); ++n) {
    BrxPage page;
    rc = r.page(unsigned(n), page);
    if (rc != ecOK) return fail(err, rc, p.positional[0] + " page " + std::to_string(n));
    out << "Page " << n << ":  " << (page.header.fine() ? "fine" : "standard") << " resolution, "
        << page.header.lineWidth() << " pixels wide, " << page.header.imageLength << " bytes"
        << (page.header.lineLengths() ? ", line records" : ", raw stream")
        << (page.truncated ? ", TRUNCATED" : "") << "\n";
  }
  return 0;
}

int runConvert(const Args& args, std::ostream& out, std::ostream& err) {
  auto p = parse(args,
                 {"-o", "-t", "--left-margin", "--top-margin", "--lines-per-page", "--tab",
                  "--font", "--station"},
                 {"--fine", "--wide", "--no-double-width", "--no-center", "--half-height"});
  if (!p.error.empty()) return usageError(err, p.error);
  if (p.positional.size() != 1) return usageError(err, "convert needs one INPUT");
  const std::string& input = p.positional[0];
  const std::string typeText = typeName(input, p.value("-t"));
  const auto rendered = pagesFor(typeText);
  auto type = typeFor(typeText);
  if (!type && !rendered)
    return usageError(err,
                      "cannot tell the input type; use -t text|bmp|tiff|pcx|dcx|pdf|ps|png|jpeg");
  TFxFaxConverter conv;
  if (type) conv.InputDocumentType = *type;
  conv.SetDocumentFile(input);
  if (auto o = p.value("-o")) conv.SetOutFileName(*o);
  conv.Resolution = p.has("--fine") ? TFaxResolution::frHigh : TFaxResolution::frNormal;
  conv.Width = p.has("--wide") ? TFaxWidth::fwWide : TFaxWidth::fwNormal;
  TFaxCvtOptions options = coDoubleWidth | coCenterImage;
  if (p.has("--no-double-width")) options &= ~unsigned(coDoubleWidth);
  if (p.has("--no-center")) options &= ~unsigned(coCenterImage);
  if (p.has("--half-height")) options |= coHalfHeight;
  conv.SetOptions(options);
  struct Num {
    const char* key;
    unsigned* target;
  } nums[] = {{"--left-margin", &conv.LeftMargin},
              {"--top-margin", &conv.TopMargin},
              {"--lines-per-page", &conv.LinesPerPage},
              {"--tab", &conv.TabStop}};
  for (const auto& n : nums)
    if (auto v = p.value(n.key); v && !toUnsigned(*v, *n.target))
      return usageError(err, std::string(n.key) + " needs a number");
  if (auto f = p.value("--font")) {
    if (*f == "small")
      conv.FontType = TFaxFont::ffSmall;
    else if (*f != "standard")
      return usageError(err, "--font is standard or small");
  }
  if (auto s = p.value("--station")) conv.StationID = *s;
  std::string why;
  int rc = rendered ? convertPages(conv, input, *rendered, why) : conv.TryConvertDocument();
  if (rc != ecOK && !why.empty()) {
    err << "brindlefax: " << why << "\n";
    return 1;
  }
  if (rc != ecOK) return fail(err, rc, input);
  BrxReader r;
  int pages = r.openFile(conv.OutputName()) == ecOK ? r.pageCount() : 0;
  out << conv.OutputName() << ": " << pages << (pages == 1 ? " page" : " pages") << "\n";
  return 0;
}

int runExport(const Args& args, std::ostream& out, std::ostream& err) {
  auto p = parse(args, {"-p", "-f", "-o", "--auto"}, {});
  if (!p.error.empty()) return usageError(err, p.error);
  if (p.positional.size() != 1) return usageError(err, "export needs one FILE");
  auto format = p.value("-f");
  if (!format || (*format != "bmp" && *format != "pcx" && *format != "dcx" && *format != "pbm" &&
                  *format != "pdf"))
    return usageError(err, "export needs -f bmp|pcx|dcx|pbm|pdf");
  UnpackSettings settings;
  if (auto a = p.value("--auto")) {
    if (*a == "none")
      settings.autoScale = TAutoScaleMode::asNone;
    else if (*a == "half")
      settings.autoScale = TAutoScaleMode::asHalfWidth;
    else if (*a != "double")
      return usageError(err, "--auto is double, half or none");
  }
  const std::string& file = p.positional[0];
  if (*format == "pdf") {  // the whole fax in one document, pages at their true size
    if (p.value("-p")) return usageError(err, "export -f pdf writes every page; leave out -p");
    const std::string name = p.value("-o") ? *p.value("-o") : base::WithoutExtension(file) + ".pdf";
    if (int rc = writeFaxPdf(file, name); rc != ecOK) return fail(err, rc, file);
    out << name << "\n";
    return 0;
  }
  BrxReader r;
  int rc = r.openFile(file);
  if (rc != ecOK) return fail(err, rc, file);
  unsigned first = 1, last = unsigned(r.pageCount());
  if (auto pg = p.value("-p")) {
    if (!toUnsigned(*pg, first)) return usageError(err, "-p needs a page number");
    last = first;
  }
  std::vector<MonoBitmap> pages;
  for (unsigned n = first; n <= last || (first > last && n == first); ++n) {
    MonoBitmap img;
    rc = assemblePageImage(r, n, settings, img);
    if (rc != ecOK) return fail(err, rc, file + " page " + std::to_string(n));
    pages.push_back(std::move(img));
  }
  const std::string ext = *format;
  const std::string base =
      p.value("-o") ? *p.value("-o") : base::WithoutExtension(file) + "." + ext;
  // One file per page unless a single page or a DCX, which holds them all.
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  if (ext == "dcx") {
    files.emplace_back(base, std::vector<std::uint8_t>{});
    encodeDcx(pages, files.back().second);
  } else {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      std::string name = pages.size() == 1 ? base
                                           : base::WithoutExtension(base) + "-" +
                                                 std::to_string(first + i) + "." + ext;
      std::vector<std::uint8_t> bytes;
      if (ext == "bmp")
        rc = encodeBmp(pages[i], bytes);
      else if (ext == "pcx")
        encodePcx(pages[i], bytes);
      else
        encodePbm(pages[i], bytes);
      if (rc != ecOK) return fail(err, rc, name);
      files.emplace_back(name, std::move(bytes));
    }
  }
  for (const auto& [name, bytes] : files) {
    rc = writeWholeFile(name, bytes);
    if (rc != ecOK) return fail(err, rc, name);
    out << name << "\n";
  }
  return 0;
}

}  // namespace brindlefax
