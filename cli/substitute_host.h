// SPDX-License-Identifier: LicenseRef-Quillmark
// The substitute host: plays a paint program's part for the plug-in through the same
// PluginMain calls, filter record and callbacks a real host uses. It keeps the plug-in's
// two handles between runs, as a host does, so the last filter can be repeated.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/host_descriptor.h"
#include "cli/host_document.h"
#include "cli/host_pixels.h"
#include "host/plugin_interface.h"

namespace qm::cli {

using PluginEntry = void (*)(std::int16_t selector, void* record, intptr_t* data, std::int16_t* result);

// Our host's signature, and the signature of the properties only it answers.
constexpr pi::OSType kSubstituteHostSig = pi::fourCC("Qmrk");

struct HostOptions {
  // Behave like the leanest hosts seen in the wild: no 32-bit coordinates, no basic suite,
  // a descriptor record without procedures, handle sizes reported as 0 and resizing that
  // does nothing useful, rows delivered packed with a column step of 0, property calls that
  // answer without an answer, and nothing kept in `parameters` from one run to the next.
  bool lean = false;
  bool bigDocument = true;        // offer 32-bit coordinates
  bool scripting = true;          // offer descriptor procedures
  bool advanceState = true;       // a host too old for pulling pixels has none
  bool displayPixels = true;
  bool bufferProcs = true;
  bool packedRows = false;        // rows without padding, as the leanest hosts deliver them
  pi::OSType hostSig = kSubstituteHostSig;
  pi::int32 maxSpace = 1 << 30;
  std::optional<std::uint32_t> seed;  // replaces the clock as the plug-in's random seed
  int failDeliveryAfter = -1;     // deliveries that succeed before the host starts failing (tests)
  // Called with (done, total) on every progress report.
  std::function<void(pi::int32, pi::int32)> onProgress;
  // Answers the plug-in's abort test; the user's Ctrl-C in the command.
  std::function<bool()> shouldAbort;
};

struct RunRequest {
  bool withParameters = true;  // false: the repeat of the last filter
  // Settings for the plug-in as a scripting descriptor; none means no descriptor.
  std::optional<DescriptorItems> descriptor;
  pi::int16 playInfo = pi::plugInDialogDontDisplay;
};

struct RunOutcome {
  pi::int16 result = 0;
  pi::int16 failedSelector = -1;  // the phase whose result ended the run, -1 when none did
  std::string message;            // what the plug-in left in the error string
  std::optional<DescriptorItems> recorded;  // the settings the plug-in recorded at finish
  int continueCalls = 0;
  int deliveries = 0;
};

class SubstituteHost {
 public:
  SubstituteHost(PluginEntry entry, HostOptions options);
  ~SubstituteHost();
  SubstituteHost(const SubstituteHost&) = delete;
  SubstituteHost& operator=(const SubstituteHost&) = delete;

  // One whole filter run over the document, as a host drives it.
  RunOutcome run(HostDocument& document, const RunRequest& request);
  // The about call, with its own record.
  pi::int16 about();

  // For tests that drive the phases one by one.
  void beginDocument(HostDocument& document);
  pi::int16 call(pi::int16 selector);
  pi::FilterRecord& record() { return record_; }
  pi::PIDescriptorParameters& descriptorParameters() { return descriptorParameters_; }
  intptr_t& dataSlot() { return dataSlot_; }
  pi::Handle& parametersHandle() { return parameters_; }
  HostOptions& options() { return options_; }
  // Takes back the output of the last delivery (a host does it after every call).
  void takeBackOutput();

  // The callbacks' way to the host that is running (callbacks carry no context).
  static SubstituteHost* current();
  pi::OSErr deliver();
  bool abortRequested();
  void progress(pi::int32 done, pi::int32 total);
  std::optional<std::uint32_t> seed() const { return options_.seed; }

 private:
  void fillRecord(HostDocument& document);
  void setDescriptor(const RunRequest& request);
  bool anyRectPending() const;
  std::optional<DescriptorItems> takeRecordedDescriptor();

  PluginEntry entry_;
  HostOptions options_;
  HostDocument* document_ = nullptr;
  pi::FilterRecord record_{};
  pi::BigDocumentStruct bigDocument_{};
  pi::PIDescriptorParameters descriptorParameters_{};
  pi::PlatformData platformData_{};
  pi::Str255 errorString_{};
  intptr_t dataSlot_ = 0;
  pi::Handle parameters_ = nullptr;  // kept between runs, as a host keeps it with the document
  PixelBuffer in_, out_, mask_;
  PixelRequest deliveredOut_{};
  bool outPending_ = false;
  int deliveries_ = 0;
};

}  // namespace qm::cli
