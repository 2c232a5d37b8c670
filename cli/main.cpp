// SPDX-License-Identifier: LicenseRef-Quillmark
// The quillmark command: loads a picture, runs the plug-in on it through the substitute
// host, and writes the result. Every failure ends in one line on the standard error
// stream and a non-zero exit status, and never in a partial output file.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/contact_sheet.h"
#include "cli/look_values.h"
#include "cli/plugin_info.h"
#include "cli/plugin_loader.h"
#include "cli/preset_commands.h"
#include "cli/psd_saving.h"
#include "cli/settings_text.h"
#include "cli/progress_bar.h"
#include "cli/raster_image.h"
#include "cli/substitute_host.h"
#include "cli/version_report.h"
#include "platform/file_system.h"
#include "platform/signals.h"
#include "settings/name_tables.h"
#include "settings/preset_catalogue.h"

namespace {

using namespace qm::cli;

volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl-C asks the filter to stop at its next abort test, and a save under way to
// keep the old file; a second one leaves at once.
void onInterrupt(int) {
  if (interrupted) qm::platform::exitAtOnce(130);
  interrupted = 1;
}

// SIGTERM, SIGHUP and their kind leave at once, with the status a shell reports for them.
void onTermination(int signal) { qm::platform::exitAtOnce(128 + signal); }

bool stopRequested() { return interrupted != 0; }

int failWith(const std::string& message, int status = 1) {
  std::cerr << "quillmark: " << message << '\n';
  return status;
}

int stopped(const Command& command) {
  return failWith("stopped; " + (command.output.empty() ? command.psdOutput : command.output) + " was not written", 130);
}

std::string pluginPathFor(const Command& command) { return qm::cli::pluginPathFor(command.pluginPath); }

std::string explainResult(const RunOutcome& outcome) {
  // A positive result means the filter told the user itself: in its error text, or in a
  // window of its own where it has windows.
  if (outcome.result > 0)
    return outcome.message.empty() ? "the filter stopped and showed why in its own window (code " +
                                         std::to_string(outcome.result) + ")"
                                   : outcome.message;
  if (outcome.result == pi::memFullErr) return "not enough memory for the filter";
  return "the filter failed (host error " + std::to_string(outcome.result) + ")";
}

int pluginInfo(const Command& command) {
  LoadedPlugin plugin;
  std::string error;
  const std::string path = pluginPathFor(command);
  if (!loadPlugin(path, plugin, error)) return failWith(error);
  std::cout << describePlugin(path, plugin.properties);
  return 0;
}

// Everything is printed even when the plug-in cannot be loaded; the status tells a script
// whether the plug-in beside the command is the one built with it.
int version(const Command& command) {
  const VersionReport report = versionReport(pluginPathFor(command));
  std::cout << report.text << std::flush;
  return report.problem.empty() ? 0 : failWith(report.problem);
}

// The plug-in shows its about box where it has windows; the line tells which plug-in it was.
int about(const Command& command) {
  LoadedPlugin plugin;
  std::string error;
  const std::string path = pluginPathFor(command);
  if (!loadPlugin(path, plugin, error)) return failWith(error);
  SubstituteHost host(plugin.entry, HostOptions{});
  const pi::int16 result = host.about();
  std::cout << "Quillmark 4.0, ink art from photographs (" << path << ")\n";
  return result == 0 ? 0 : failWith("the plug-in's about call failed (" + std::to_string(result) + ")");
}

bool loadDocument(const Command& command, HostDocument& document, std::string& error) {
  RasterImage image;
  if (!loadImage(command.input, image, error)) return false;
  std::vector<std::uint8_t> mask;
  if (!command.mask.empty() && !loadMask(command.mask, image.width, image.height, mask, error)) return false;
  return makeDocument(std::move(image), std::move(mask), document, error);
}

// The look the filter rendered: what it recorded, else what was asked for, over the defaults.
qm::UserValues lookOf(const RunOutcome& outcome, const DescriptorItems& asked) {
  qm::InkSettings settings{};
  qm::resetForRun(settings);
  applyItems(outcome.recorded ? *outcome.recorded : asked, settings.look);
  return settings.look;
}

int render(const Command& command) {
  HostDocument document;
  std::string error;
  DescriptorItems look;
  // What the command line asks is checked before any picture is loaded or rendered.
  if (const int status = lookOfCommand(command, look, error)) return failWith(error, status);
  const bool withOutput = !command.output.empty();
  if (withOutput && !checkOutputPath(command.output, error)) return failWith(error, 2);
  if (!loadDocument(command, document, error)) return failWith(error);
  if (withOutput && !checkOutputHolds(command.output, document.image, error)) return failWith(error, 2);
  LoadedPlugin plugin;
  if (!loadPlugin(pluginPathFor(command), plugin, error)) return failWith(error);

  ProgressBar bar(command.progress);
  HostOptions options;
  options.seed = command.seed;
  options.lean = command.leanHost;
  options.onProgress = [&bar](pi::int32 done, pi::int32 total) { bar.update(done, total); };
  options.shouldAbort = stopRequested;

  SubstituteHost host(plugin.entry, options);
  RunRequest request;
  request.descriptor = look;
  if (command.showDialog) request.playInfo = pi::plugInDialogDisplay;
  RunOutcome outcome = host.run(document, request);
  for (int i = 0; i < command.repeat && outcome.result == 0; ++i) {
    RunRequest repeat;
    repeat.withParameters = false;
    repeat.descriptor = outcome.recorded;
    outcome = host.run(document, repeat);
  }
  bar.finish();
  if (outcome.result == pi::userCanceledErr || interrupted) return stopped(command);
  if (outcome.result != 0) return failWith(explainResult(outcome));
  if (withOutput && !saveImage(command.output, document.image, error, stopRequested))
    return interrupted ? stopped(command) : failWith(error);
  if (!command.psdOutput.empty() && !savePsd(command.psdOutput, document.image, lookOf(outcome, look), error))
    return failWith(error);
  if (command.printSettings && outcome.recorded) std::cout << describeSettings(*outcome.recorded);
  return 0;
}

// One cell of the sheet: a whole filter run of its own on a fresh copy of the crop, as a
// render of that crop with this style would be. The bar shows the progress of all cells.
RunOutcome renderCell(PluginEntry entry, const Command& command, const DescriptorItems& look, const RasterImage& crop,
                      int style, ProgressBar& bar, HostDocument& document) {
  std::string error;
  makeDocument(crop, {}, document, error);  // no mask, so nothing can be refused
  HostOptions options;
  options.seed = command.seed;
  options.onProgress = [&bar, style](pi::int32 done, pi::int32 total) {
    if (total <= 0) return;
    const std::int64_t permille = std::int64_t(done) * 1000 / total;
    bar.update(pi::int32((style - 1) * 1000 + permille), qm::kStyleCount * 1000);
  };
  options.shouldAbort = stopRequested;
  SubstituteHost host(entry, options);
  RunRequest request;
  request.descriptor = look;
  mergeSettings(*request.descriptor, {styleSetting(style)});
  return host.run(document, request);
}

int sheet(const Command& command) {
  std::string error;
  DescriptorItems look;
  if (const int status = lookOfCommand(command, look, error)) return failWith(error, status);
  if (!checkOutputPath(command.output, error)) return failWith(error, 2);
  RasterImage crop;
  {
    RasterImage picture;
    if (!loadImage(command.input, picture, error)) return failWith(error);
    crop = cropImage(picture, centreCrop(picture.width, picture.height, command.cropWidth, command.cropHeight));
  }
  LoadedPlugin plugin;
  if (!loadPlugin(pluginPathFor(command), plugin, error)) return failWith(error);

  const SheetLayout layout = layoutSheet(crop.width, crop.height);
  RasterImage contactSheet = blankSheet(layout);
  ProgressBar bar(command.progress);
  for (int style = 1; style <= qm::kStyleCount; ++style) {
    HostDocument document;
    const RunOutcome outcome = renderCell(plugin.entry, command, look, crop, style, bar, document);
    if (outcome.result == pi::userCanceledErr || interrupted) {
      bar.finish();
      return stopped(command);
    }
    if (outcome.result != 0) {
      bar.finish();
      return failWith("style " + cellLabel(style) + ": " + explainResult(outcome));
    }
    placeCell(contactSheet, layout, style, document.image);
  }
  bar.finish();
  if (!saveImage(command.output, contactSheet, error, stopRequested))
    return interrupted ? stopped(command) : failWith(error);
  return 0;
}

// A large crop makes a large sheet; running out of memory is an error like any other.
int sheetOrFail(const Command& command) {
  try {
    return sheet(command);
  } catch (const std::bad_alloc&) {
    return failWith("not enough memory for the contact sheet; try a smaller --crop");
  }
}

int catalogue(const Command& command) {
  std::string error;
  if (qm::writePresetCatalogue(command.folder, command.output, error) != 0) return failWith(command.output + ": " + error);
  return 0;
}

int presetCommand(const Command& command) {
  using Runner = int (*)(const Command&, std::string&);
  const Runner run = command.kind == CommandKind::Random       ? printRandomLook
                     : command.kind == CommandKind::PresetShow ? showPreset
                     : command.kind == CommandKind::PresetSave ? savePreset
                                                                : convertPresets;
  std::string error;
  const int status = run(command, error);
  return status == 0 ? 0 : failWith(error, status);
}

}  // namespace

int main(int argc, char** argv) {
  qm::platform::catchInterrupt(onInterrupt);
  qm::platform::catchTermination(onTermination);
  const std::vector<std::string> arguments(argv, argv + argc);
  Command command;
  std::string error;
  if (!parseCommandLine(arguments, command, error)) return failWith(error, 2);
  switch (command.kind) {
    case CommandKind::Help:
      std::cout << helpText();
      return 0;
    case CommandKind::Version:
      return version(command);
    case CommandKind::Styles:
      std::cout << styleList();
      return 0;
    case CommandKind::Blends:
      std::cout << blendList();
      return 0;
    case CommandKind::PluginInfo:
      return pluginInfo(command);
    case CommandKind::About:
      return about(command);
    case CommandKind::Render:
      return render(command);
    case CommandKind::Sheet:
      return sheetOrFail(command);
    case CommandKind::Random:
    case CommandKind::PresetShow:
    case CommandKind::PresetSave:
    case CommandKind::PresetConvert:
      return presetCommand(command);
    case CommandKind::Catalogue:
      return catalogue(command);
  }
  return 0;
}
