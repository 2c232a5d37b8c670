// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/command_line.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>

#include "cli/contact_sheet.h"
#include "cli/look_values.h"
#include "cli/settings_text.h"
#include "platform/platform.h"
#include "settings/name_tables.h"
#include "settings/user_value_table.h"

namespace qm::cli {
namespace {

// Names compare without case, and '-' or '_' may stand for a space ("square-chaos").
std::string normalised(const std::string& text) {
  std::string result;
  for (char c : text) result += (c == '-' || c == '_') ? ' ' : char(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

bool parseInteger(const std::string& text, long long& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return errno == 0 && end && *end == '\0';
}

std::string rangeText(const UserValueEntry& entry) {
  return std::to_string(entry.minimum) + " and " + std::to_string(entry.maximum);
}

std::string namesOf(const UserValueEntry& entry) {
  std::string names;
  for (int n = entry.minimum; n <= entry.maximum; ++n) names += std::string(n > entry.minimum ? ", " : "") + entry.name(n);
  return names;
}

// A named value: its name or its number.
bool parseNamed(const UserValueEntry& entry, const std::string& text, std::int32_t& value, std::string& error) {
  const std::string wanted = normalised(text);
  for (int n = entry.minimum; n <= entry.maximum; ++n)
    if (normalised(entry.name(n)) == wanted) return value = n, true;
  long long number = 0;
  // The scale is named by its factor only: "2" could mean the second entry or twice the size.
  if (entry.field != &UserValues::scale && parseInteger(text, number)) {
    if (number >= entry.minimum && number <= entry.maximum) return value = std::int32_t(number), true;
    error = "--" + std::string(entry.option) + " " + text + " is out of range: give a number between " + rangeText(entry) +
            " or a name";
    return false;
  }
  error = "unknown " + std::string(entry.option) + " \"" + text + "\"; choose one of: " + namesOf(entry);
  return false;
}

bool parseNumber(const UserValueEntry& entry, const std::string& text, std::int32_t& value, std::string& error) {
  long long number = 0;
  if (!parseInteger(text, number)) {
    error = "--" + std::string(entry.option) + " needs a whole number, not \"" + text + "\"";
    return false;
  }
  if (number < entry.minimum || number > entry.maximum) {
    error = "--" + std::string(entry.option) + " " + text + " is out of range: it must be between " + rangeText(entry);
    return false;
  }
  value = std::int32_t(number);
  return true;
}

void setSetting(Command& command, const UserValueEntry& entry, std::int32_t value) {
  mergeSettings(command.settings, {itemFor(entry, value)});
}

struct Reader {
  const std::vector<std::string>& arguments;
  std::size_t next = 1;
  bool more() const { return next < arguments.size(); }
  const std::string& take() { return arguments[next++]; }
};

bool takeValue(Reader& reader, const std::string& option, std::string& value, std::string& error) {
  if (!reader.more()) {
    error = option + " needs a value";
    return false;
  }
  value = reader.take();
  return true;
}

bool parseSeed(const std::string& text, Command& command, std::string& error) {
  long long number = 0;
  if (!parseInteger(text, number) || number < 0 || number > 2147483647) {
    error = "--seed needs a whole number between 0 and 2147483647, not \"" + text + "\"";
    return false;
  }
  command.seed = std::uint32_t(number);
  return true;
}

bool parseRepeat(const std::string& text, Command& command, std::string& error) {
  long long number = 0;
  if (!parseInteger(text, number) || number < 0 || number > 100) {
    error = "--repeat needs a whole number between 0 and 100, not \"" + text + "\"";
    return false;
  }
  command.repeat = int(number);
  return true;
}

bool parseUserValue(Reader& reader, const std::string& option, Command& command, std::string& error) {
  const UserValueEntry* entry = findUserValue(option.substr(2).c_str());
  if (!entry) {
    error = "unknown option " + option + " (see quillmark --help)";
    return false;
  }
  if (entry->kind == ValueKind::Boolean) {
    setSetting(command, *entry, 1);
    return true;
  }
  std::string text;
  std::int32_t value = 0;
  if (!takeValue(reader, option, text, error)) return false;
  const bool ok = entry->kind == ValueKind::Enumerated ? parseNamed(*entry, text, value, error)
                                                      : parseNumber(*entry, text, value, error);
  if (ok) setSetting(command, *entry, value);
  return ok;
}

bool parseRenderOption(Reader& reader, const std::string& option, Command& command, std::string& error) {
  std::string value;
  if (option == "--mask") return takeValue(reader, option, command.mask, error);
  if (option == "--settings") return takeValue(reader, option, command.settingsFile, error);
  if (option == "--preset") return takeValue(reader, option, command.presetFile, error);
  if (option == "--plugin") return takeValue(reader, option, command.pluginPath, error);
  if (option == "--seed") return takeValue(reader, option, value, error) && parseSeed(value, command, error);
  if (option == "--repeat") return takeValue(reader, option, value, error) && parseRepeat(value, command, error);
  if (option == "--print-settings") return command.printSettings = true, true;
  if (option == "--no-progress") return command.progress = false, true;
  if (option == "--lean-host") return command.leanHost = true, true;
  if (option == "--psd") return takeValue(reader, option, command.psdOutput, error);
  if (option == "--dialog") {
    if (!platform::hasDialogWindows()) return error = "--dialog shows the plug-in's own dialog, which it has on Windows only", false;
    return command.showDialog = true, true;
  }
  return parseUserValue(reader, option, command, error);
}

bool parseCrop(const std::string& text, Command& command, std::string& error) {
  const std::size_t by = text.find_first_of("xX");
  long long width = 0, height = 0;
  if (by == std::string::npos || !parseInteger(text.substr(0, by), width) ||
      !parseInteger(text.substr(by + 1), height) || width < 1 || height < 1 || width > kMaxCropSide ||
      height > kMaxCropSide) {
    error = "--crop needs WIDTHxHEIGHT, each 1.." + std::to_string(kMaxCropSide) + " pixels (e.g. 320x240), not \"" +
            text + "\"";
    return false;
  }
  command.cropWidth = std::int32_t(width);
  command.cropHeight = std::int32_t(height);
  return true;
}

// The sheet takes the look and run options of render, except those that make no sense for
// a render of a crop in every style.
bool parseSheetOption(Reader& reader, const std::string& option, Command& command, std::string& error) {
  std::string value;
  if (option == "--crop") return takeValue(reader, option, value, error) && parseCrop(value, command, error);
  if (option == "--style") return error = "sheet shows every style; it takes no --style", false;
  for (const char* renderOnly : {"--mask", "--repeat", "--print-settings", "--lean-host", "--dialog", "--psd"})
    if (option == renderOnly) return error = option + " is for render only, not for sheet", false;
  return parseRenderOption(reader, option, command, error);
}

using OptionParser = bool (*)(Reader&, const std::string&, Command&, std::string&);

// The options among the names, handled as they come; the names in order.
bool parseNamesAndOptions(Reader& reader, Command& command, OptionParser parseOption, std::vector<std::string>& names,
                          std::string& error) {
  while (reader.more()) {
    const std::string& argument = reader.take();
    if (argument.size() > 2 && argument.rfind("--", 0) == 0) {
      if (!parseOption(reader, argument, command, error)) return false;
    } else {
      names.push_back(argument);
    }
  }
  return true;
}

// Options anywhere among exactly two file names, IN and OUT.
bool parseFilesAndOptions(Reader& reader, Command& command, OptionParser parseOption, const std::string& usage,
                          std::string& error) {
  std::vector<std::string> files;
  if (!parseNamesAndOptions(reader, command, parseOption, files, error)) return false;
  if (files.size() != 2) {
    error = usage;
    return false;
  }
  command.input = files[0];
  command.output = files[1];
  return true;
}

bool endsWithPng(const std::string& path) {
  return path.size() > 4 && normalised(path.substr(path.size() - 4)) == ".png";
}

bool endsWithPsd(const std::string& path) {
  return path.size() > 4 && normalised(path.substr(path.size() - 4)) == ".psd";
}

bool endsWithJpeg(const std::string& path) {
  for (const std::string extension : {".jpg", ".jpeg"})
    if (path.size() > extension.size() && normalised(path.substr(path.size() - extension.size())) == extension)
      return true;
  return false;
}

bool parseSheet(Reader& reader, Command& command, std::string& error) {
  if (!parseFilesAndOptions(reader, command, parseSheetOption,
                            "sheet needs an input and an output file: quillmark sheet IN OUT.png [options]", error))
    return false;
  if (endsWithPng(command.output) || endsWithJpeg(command.output)) return true;
  error = "the sheet is written as PNG or JPEG: name its file .png or .jpg, not \"" + command.output + "\"";
  return false;
}

bool endsWithHtml(const std::string& path) {
  for (const std::string extension : {".html", ".htm"})
    if (path.size() > extension.size() && normalised(path.substr(path.size() - extension.size())) == extension)
      return true;
  return false;
}

bool parseNoOption(Reader&, const std::string& option, Command&, std::string& error) {
  return error = "catalogue takes no options, not " + option, false;
}

// render IN OUT, or render IN --psd OUT.psd alone: the layered file instead of OUT.
bool parseRender(Reader& reader, Command& command, std::string& error) {
  std::vector<std::string> files;
  if (!parseNamesAndOptions(reader, command, parseRenderOption, files, error)) return false;
  if (files.size() == 2 || (files.size() == 1 && !command.psdOutput.empty())) {
    command.input = files[0];
    command.output = files.size() == 2 ? files[1] : "";
  } else {
    return error = "render needs an input and an output file: quillmark render IN OUT [options]", false;
  }
  if (command.psdOutput.empty() || endsWithPsd(command.psdOutput)) return true;
  return error = "the layered file is a PSD file: name it .psd, not \"" + command.psdOutput + "\"", false;
}

bool parseRandom(Reader& reader, Command& command, std::string& error) {
  command.kind = CommandKind::Random;
  std::string value;
  while (reader.more()) {
    const std::string& option = reader.take();
    if (option != "--seed") return error = "random takes only --seed N", false;
    if (!takeValue(reader, option, value, error) || !parseSeed(value, command, error)) return false;
  }
  return true;
}

// preset show FILE [--picture OUT.png]
bool parsePresetShowOption(Reader& reader, const std::string& option, Command& command, std::string& error) {
  if (option == "--picture") return takeValue(reader, option, command.pictureOutput, error);
  return error = "preset show takes only --picture OUT.png", false;
}

// preset save FILE [look options] [--settings F] [--picture-from IN] [--seed N] [--plugin P]
bool parsePresetSaveOption(Reader& reader, const std::string& option, Command& command, std::string& error) {
  if (option == "--picture-from") return takeValue(reader, option, command.pictureFrom, error);
  for (const char* renderOnly : {"--mask", "--repeat", "--print-settings", "--lean-host", "--dialog", "--psd", "--preset"})
    if (option == renderOnly) return error = option + " is for render, not for preset save", false;
  return parseRenderOption(reader, option, command, error);
}

// preset convert FOLDER [--picture-from IN] [--seed N] [--plugin P]
bool parsePresetConvertOption(Reader& reader, const std::string& option, Command& command, std::string& error) {
  std::string value;
  if (option == "--picture-from") return takeValue(reader, option, command.pictureFrom, error);
  if (option == "--plugin") return takeValue(reader, option, command.pluginPath, error);
  if (option == "--seed") return takeValue(reader, option, value, error) && parseSeed(value, command, error);
  return error = "preset convert takes only --picture-from IN, --seed N and --plugin PATH", false;
}

// Exactly one name among the options: the preset file, or the folder to convert.
bool parseOneNameAndOptions(Reader& reader, Command& command, OptionParser parseOption, std::string& name,
                            const std::string& usage, std::string& error) {
  std::vector<std::string> names;
  if (!parseNamesAndOptions(reader, command, parseOption, names, error)) return false;
  if (names.size() == 1) return name = names[0], true;
  return error = usage, false;
}

bool parsePreset(Reader& reader, Command& command, std::string& error) {
  const std::string verb = reader.more() ? reader.take() : "";
  if (verb == "show") {
    command.kind = CommandKind::PresetShow;
    if (!parseOneNameAndOptions(reader, command, parsePresetShowOption, command.presetFile,
                                "preset show needs a preset file: quillmark preset show FILE.q7q [--picture OUT.png]",
                                error))
      return false;
    if (command.pictureOutput.empty() || endsWithPng(command.pictureOutput)) return true;
    return error = "the picture is written as PNG: name its file .png, not \"" + command.pictureOutput + "\"", false;
  }
  if (verb == "save") {
    command.kind = CommandKind::PresetSave;
    return parseOneNameAndOptions(reader, command, parsePresetSaveOption, command.presetFile,
                                  "preset save needs a preset file: quillmark preset save FILE.q7q [options]", error);
  }
  if (verb == "convert") {
    command.kind = CommandKind::PresetConvert;
    return parseOneNameAndOptions(reader, command, parsePresetConvertOption, command.folder,
                                  "preset convert needs a folder: quillmark preset convert FOLDER", error);
  }
  error = "preset needs show, save or convert (see quillmark --help)";
  return false;
}

}  // namespace

bool parseCommandLine(const std::vector<std::string>& arguments, Command& command, std::string& error) {
  command = Command{};
  if (arguments.size() < 2) return command.kind = CommandKind::Help, true;
  for (const std::string& argument : arguments)
    if (argument == "--help" || argument == "-h") return command.kind = CommandKind::Help, true;
  Reader reader{arguments};
  const std::string& verb = reader.take();
  if (verb == "styles" || verb == "blends") {
    command.kind = verb == "styles" ? CommandKind::Styles : CommandKind::Blends;
    if (!reader.more()) return true;
    error = verb + " takes no arguments";
    return false;
  }
  if (verb == "plugin-info" || verb == "about" || verb == "--version") {
    command.kind = verb == "about" ? CommandKind::About : verb == "--version" ? CommandKind::Version : CommandKind::PluginInfo;
    while (reader.more()) {
      const std::string& option = reader.take();
      if (option != "--plugin") return error = verb + " takes only --plugin PATH", false;
      if (!takeValue(reader, option, command.pluginPath, error)) return false;
    }
    return true;
  }
  if (verb == "render") {
    command.kind = CommandKind::Render;
    return parseRender(reader, command, error);
  }
  if (verb == "catalogue") {
    command.kind = CommandKind::Catalogue;
    std::vector<std::string> names;
    if (!parseNamesAndOptions(reader, command, parseNoOption, names, error)) return false;
    if (names.size() != 2 || !endsWithHtml(names[1]))
      return error = "catalogue needs a folder of presets and a page: quillmark catalogue FOLDER OUT.html", false;
    command.folder = names[0];
    command.output = names[1];
    return true;
  }
  if (verb == "sheet") {
    command.kind = CommandKind::Sheet;
    return parseSheet(reader, command, error);
  }
  if (verb == "random") return parseRandom(reader, command, error);
  if (verb == "preset") return parsePreset(reader, command, error);
  error = "unknown command \"" + verb + "\" (see quillmark --help)";
  return false;
}

DescriptorItem styleSetting(std::int32_t style) { return itemFor(*findUserValue("style"), style); }

std::string styleList() {
  std::ostringstream out;
  for (int n = 1; n <= kStyleCount; ++n) out << (n < 10 ? "   " : "  ") << n << "  " << styleName(n) << '\n';
  return out.str();
}

std::string blendList() {
  std::ostringstream out;
  for (int n = 1; n <= kBlendModeCount; ++n) out << (n < 10 ? "   " : "  ") << n << "  " << blendName(n) << '\n';
  return out.str();
}

namespace {

// The text with every "{name}" replaced by its value.
std::string filledIn(std::string text, std::initializer_list<std::pair<const char*, int>> values) {
  for (const auto& [name, value] : values) {
    const std::string marker = std::string("{") + name + "}";
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at))
      text.replace(at, marker.size(), std::to_string(value));
  }
  return text;
}

}  // namespace

std::string helpText() {
  const int rows = (kStyleCount + kSheetColumns - 1) / kSheetColumns;
  return filledIn(R"(quillmark: turn a picture into black-and-white ink art with the Quillmark filter.

Usage:
  quillmark render IN OUT [options]   render IN with the filter and write OUT
  quillmark sheet IN OUT.png [opts]   a contact sheet: IN's centre in all {styles} styles
  quillmark random [--seed N]         print a random look, as --settings reads it
  quillmark preset show FILE.q7q      a preset's look [--picture OUT.png writes its picture]
  quillmark preset save FILE.q7q      write a preset of the look options given
                                      [--picture-from IN: with a picture of IN's centre]
  quillmark preset convert FOLDER     rewrite a folder's presets of older versions
  quillmark catalogue FOLDER OUT.html a web page of the presets in FOLDER, with
                                      their pictures in web_images beside the page
  quillmark styles                    list the ink styles
  quillmark blends                    list the blend modes
  quillmark plugin-info [--plugin P]  what the plug-in's property list says about it
  quillmark about [--plugin P]        ask the plug-in to show its about box
  quillmark --version [--plugin P]    the versions of the command, of the plug-in it
                                      loads (and its path) and of the libraries
  quillmark --help                    show this text

IN may be a PNG (8 or 16-bit grey, grey+alpha, RGB or RGBA), a TIFF (8, 16 or
32-bit float, grey or RGB, with or without alpha) or a JPEG (grey or RGB). OUT is
written as PNG, TIFF or JPEG by its extension (.png, .tif, .tiff, .jpg, .jpeg), in
the depth of IN; a 32-bit picture needs a TIFF, a JPEG takes 8-bit grey or RGB
without alpha only, at quality {jpegQuality} of 99, and keeps a JPEG IN's EXIF and ICC
profile. OUT is replaced only when the whole render succeeded. Transparency stays
editable: the filter works on the alpha channel's picture as a paint program does.

Look (anything not given takes its default):
  --style NAME|N      ink style, 1..{styles} (default arabesque; see quillmark styles)
  --scale 1x|2x|4x    pattern scale (default 1x)
  --line NAME|N       line weight: thinner, thin, medium, thick, thicker (default medium)
  --invert NAME|N     normal, invert light, invert dark, invert all (default normal)
  --warping N         pattern distortion, 0..100 (default 20)
  --angle N           direction of directional patterns, 0..359 degrees (default 45)
  --gray              keep the style's continuous grey instead of pure ink and paper
  --diameter N        size of the sharpening blur, 0..250 (default 50)
  --sharpen N         sharpening amount, 0..100 (default 75)
  --blend NAME|N      how the ink meets the picture, 1..{blends} (default normal; see quillmark blends)
Names may be written with '-' for spaces, e.g. --style square-chaos.

Run:
  --mask FILE         a selection: an image of the same size, white where the filter
                      works, black where it leaves the picture alone, grey in between
  --seed N            make the render reproducible (0..2147483647)
  --repeat N          afterwards, repeat the filter N more times on its own result,
                      as a paint program's "repeat last filter" does
  --psd FILE.psd      also write the result as a layered PSD file (one layer with its
                      transparency, and the flattened picture); with --psd, OUT may be
                      left out
  --print-settings    print the settings the filter recorded for this run
  --settings FILE     start from settings printed by --print-settings (a recorded look);
                      look options given as well take precedence
  --preset FILE.q7q   start from a preset file's look (over --settings); look options
                      given as well take precedence
  --no-progress       no progress bar on the terminal
  --plugin PATH       the plug-in to load (default: the one beside this program)
  --dialog            (Windows) show the filter's dialog over the picture first, as a
                      paint program does; OK renders the look chosen there, Cancel
                      writes nothing
  --lean-host         play a paint program that offers the plug-in as little as the
                      leanest ones do (no settings reach the filter then: it starts from
                      the look of its last finished render, else its defaults); for
                      checking the plug-in against such hosts. On Windows the filter
                      then shows its dialog, as it does in such a program

Contact sheet (quillmark sheet IN OUT.png):
  Renders the centre of IN once in every style, with the look and run options
  above (all but --style, --mask, --repeat, --print-settings, --dialog and --lean-host),
  and writes the {styles} results as a {columns} x {rows} grid, each labelled with its number and
  style name, to OUT as an 8-bit RGB PNG (or JPEG, named .jpg) whatever the depth of IN.
  --crop WxH          the part of IN's centre each style renders (default 320x240;
                      the whole of IN where it is smaller), each side 1..{crop}

Ctrl-C stops a render or a sheet cleanly; OUT is then not written.
Exit status: 0 done, 1 failed (the reason is printed), 2 bad command line (an option,
a --settings value or OUT's name), 130 stopped. --version ends with 0 only when the
plug-in loads and names the command's own version; it prints everything it can either
way, and ends with 1 and the reason when the plug-in is missing, cannot be loaded, or
names no version or another one.
)",
                  {{"styles", kStyleCount}, {"blends", kBlendModeCount}, {"columns", kSheetColumns}, {"rows", rows},
                   {"crop", kMaxCropSide}, {"jpegQuality", kJpegFileQuality}});
}

}  // namespace qm::cli
