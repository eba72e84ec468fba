// brindlefax: looks up the subcommand in the dispatch table and runs it.
#include <cstring>
#include <iostream>

#include "commands.h"
#ifdef BRINDLEFAX_RENDER
#include "pages_convert.h"
#include "picture_input.h"
#endif

namespace {

// Further subcommands are added here.
const brindlefax::Command kCommands[] = {
    {"info", "info FILE", brindlefax::runInfo},
    {"convert",
     "convert INPUT [-o OUT] [-t text|bmp|tiff|pcx|dcx|pdf|ps|png|jpeg] [--fine] [--wide] [--left-margin N]\n"
     "          [--top-margin N] [--lines-per-page N] [--tab N] [--font standard|small]\n"
     "          [--no-double-width] [--no-center] [--half-height] [--station ID]",
     brindlefax::runConvert},
    {"export", "export FILE [-p PAGE] -f bmp|pcx|dcx|pbm|pdf [-o OUT] [--auto double|half|none]",
     brindlefax::runExport},
    {"setup-printer", "setup-printer [--server HOST:PORT] [--ppd FILE]", brindlefax::runSetupPrinter},
#ifdef BRINDLEFAX_CALLS
    {"send",
     "send --device PATH [--class auto|1|2|2.0] [--rate BPS] [--ecm] [--coding auto|mh|mr|mmr]\n"
     "          [--station-id ID] [--header TEXT] [--init STR] [--pulse] [--blind] [--attempts N]\n"
     "          [--retry-wait S] [--dial-wait S] [--history FILE] [--trace FILE]\n"
     "          NUMBER FILE.brx [NUMBER FILE.brx ...]",
     brindlefax::runSend},
    {"receive",
     "receive --device PATH --dir DIR [--one] [--rings N] [--class auto|1|2|2.0] [--rate BPS]\n"
     "          [--ecm] [--coding auto|mh|mr|mmr] [--station-id ID] [--fax-and-data] [--init STR]\n"
     "          [--history FILE] [--trace FILE]",
     brindlefax::runReceive},
    {"classes", "classes --device PATH", brindlefax::runClasses},
#endif
#ifdef BRINDLEFAX_RENDER
    {"render", "render --data-dir D [--record N] [-o OUT]", brindlefax::runRender},
#endif
};

int usage(std::ostream& os) {
  os << "usage:\n";
  for (const auto& c : kCommands) os << "  brindlefax " << c.usage << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef BRINDLEFAX_RENDER
  brindlefax::setPictureReader(brindlefax::readPictureWithQt);
#endif
  if (argc < 2) return usage(std::cerr);
  if (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) return usage(std::cout), 0;
  for (const auto& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) {
      brindlefax::Args args(argv + 2, argv + argc);
      return c.run(args, std::cout, std::cerr);
    }
  }
  std::cerr << "brindlefax: unknown command '" << argv[1] << "'\n";
  return usage(std::cerr);
}
