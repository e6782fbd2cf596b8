// The desktop application's command line.
#include "app/AppArguments.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <set>
#include <sstream>
#include <string_view>

namespace velmar::app {

namespace {

// The options QApplication takes for itself, and whether each takes a value.
bool IsQtOption(std::string_view arg, bool& takesValue) {
  static const std::set<std::string_view> withValue = {
      "-platform",    "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry",
      "-qwindowicon", "-qwindowtitle",       "-session",       "-style",  "-stylesheet",
      "-display",     "-geometry",           "-name",          "-title",  "-fontengine"};
  static const std::set<std::string_view> alone = {"-reverse", "-widgetcount", "-visual", "-cmap",
                                                   "-nograb",  "-dograb",      "-sync"};
  takesValue = false;
  if (withValue.count(arg)) return takesValue = true;
  if (alone.count(arg)) return true;
  const auto eq = arg.find('=');
  return (eq != std::string_view::npos && withValue.count(arg.substr(0, eq))) || arg.rfind("-qmljsdebugger", 0) == 0;
}

const char* const kParameters = R"(Command-line parameters:
  velmar [OPTIONS] FILE
  Opens FILE once the programmer is read: a HEX file becomes the File Name;
  for a unit image (.prg) Velmar asks whether to load it with Load Unit,
  which asks again before it replaces anything.
  velmar [OPTIONS] LOAD [FILE] [SHOW]
  An unattended Load Unit: Velmar reads the programmer, runs Load Unit
  (which asks, No by default, before it replaces every program in the
  programmer) and then ends. LOAD is the word load (or /auto), in any letter
  case. FILE, the second parameter, is the unit image (.prg) to load; without
  it Load Unit asks for the file. SHOW (any letter case) as the third
  parameter, or as the second when there is no third, keeps the window open
  afterwards.
  Examples:
    velmar pump.hex                open with pump.hex as the File Name
    velmar load backup.prg         load backup.prg, then end
    velmar load backup.prg SHOW    load backup.prg, then keep the window open
    velmar load SHOW               ask for the file, then keep the window open)";

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<int> ParseAppArguments(int argc, const char* const* argv, AppArguments& args, std::ostream& out,
                                     std::ostream& err) {
  // Qt's own options are Qt's; everything else is checked here.
  std::vector<std::string> kept;
  for (int i = 1; i < argc; ++i) {
    bool takesValue = false;
    if (IsQtOption(argv[i], takesValue)) {
      if (takesValue && i + 1 < argc) ++i;
      continue;
    }
    kept.emplace_back(argv[i]);
  }

  CLI::App parser{"Velmar: loader for the stand-alone USB PIC programmers (desktop window)", "velmar"};
  parser.set_version_flag("--version", std::string("velmar ") + VELMAR_VERSION);
  frontend::AddSharedOptions(parser, args.options);
  args.options.command = "velmar";  // named to a run the programmer lock turns away
  for (const std::string& a : kept) args.options.command += " " + a;
  // The desktop's file manager opens a unit image with "--open-unit FILE";
  // started from the menu the file is left out.
  std::string openUnit;
  parser
      .add_option("--open-unit", openUnit,
                  "Read the programmer, then Load Unit from this unit image (asks first); the window stays open")
      ->expected(0, 1);
  parser.add_option("PARAMETERS", args.parameters, "FILE, or LOAD [FILE] [SHOW]: see below")->type_name("");
  parser.footer(kParameters);
  try {
    std::vector<std::string> reversed(kept.rbegin(), kept.rend());  // CLI11 takes them last first
    parser.parse(reversed);
  } catch (const CLI::ParseError& e) {
    std::ostringstream o, r;
    if (parser.exit(e, o, r) == 0) {
      out << o.str();
      return 0;
    }
    args.parameters.clear();  // nothing of a refused command line is used
    err << r.str();
    if (r.str().find("--help") == std::string::npos) err << "Run with --help for more information.\n";
    return 2;
  }
  if (!openUnit.empty()) {
    if (!args.parameters.empty()) {
      args.parameters.clear();
      err << "--open-unit takes no further parameters\nRun with --help for more information.\n";
      return 2;
    }
    // The parameters of a command-line unit load that keeps the window open.
    args.parameters = {"--open-unit", openUnit, "SHOW"};
    args.start = StartAction::loadUnit;
    return std::nullopt;
  }
  if (args.parameters.empty()) return std::nullopt;
  if (IsLoadWord(args.parameters.front())) {
    args.start = StartAction::loadUnit;
    return std::nullopt;
  }
  if (args.parameters.size() == 1) {
    args.start = StartAction::openFile;
    args.file = args.parameters.front();
    args.parameters.clear();
    return std::nullopt;
  }
  // Parameters that are neither one file nor the load form are refused:
  // taken for a load, they would offer to replace every program.
  err << "velmar: " << args.parameters.front() << " is not LOAD: give one file to open (velmar FILE),\n"
      << "or start an unattended Load Unit with velmar load [FILE] [SHOW]\n"
      << "Run with --help for more information.\n";
  args.parameters.clear();
  return 2;
}

bool IsLoadWord(const std::string& parameter) {
  const std::string word = Lower(parameter);
  return word == "load" || word == "/auto";
}

}  // namespace velmar::app
