// SPDX-License-Identifier: LicenseRef-Quillmark
#include "cli/substitute_host.h"

#include <algorithm>
#include <cstring>

#include "cli/host_memory.h"
#include "settings/four_char_code.h"

namespace qm::cli {
namespace {

SubstituteHost* runningHost = nullptr;

// A run where the plug-in keeps asking for more is stopped rather than looping forever.
constexpr int kMostContinueCalls = 1 << 20;
constexpr pi::OSErr errPlugInPropertyUndefined = -30901;

pi::Boolean abortCallback() {
  SubstituteHost* host = SubstituteHost::current();
  return host && host->abortRequested();
}

void progressCallback(pi::int32 done, pi::int32 total) {
  if (SubstituteHost* host = SubstituteHost::current()) host->progress(done, total);
}

pi::OSErr advanceStateCallback() {
  SubstituteHost* host = SubstituteHost::current();
  return host ? host->deliver() : pi::paramErr;
}

pi::OSErr displayPixelsCallback(const pi::PSPixelMap* source, const pi::VRect* sourceRect, pi::int32, pi::int32,
                                void*) {
  // No screen to draw on; a well-formed request is simply accepted.
  if (!source || !sourceRect || !source->baseAddr) return pi::paramErr;
  return pi::noErr;
}

pi::OSErr getPropertyCallback(pi::OSType signature, pi::OSType key, pi::int32, intptr_t* simple, pi::Handle*) {
  SubstituteHost* host = SubstituteHost::current();
  if (host && signature == kSubstituteHostSig && key == fourCharCode("seed") && host->seed() && simple) {
    *simple = intptr_t(*host->seed());
    return pi::noErr;
  }
  return errPlugInPropertyUndefined;
}

pi::OSErr setPropertyCallback(pi::OSType, pi::OSType, pi::int32, intptr_t, pi::Handle) {
  return errPlugInPropertyUndefined;
}

pi::PropertyProcs propertyProcs = {1, 2, getPropertyCallback, setPropertyCallback};

// Some hosts answer every property call with "no error" and leave the value unwritten.
pi::OSErr silentGetProperty(pi::OSType, pi::OSType, pi::int32, intptr_t*, pi::Handle*) { return pi::noErr; }
pi::OSErr silentSetProperty(pi::OSType, pi::OSType, pi::int32, intptr_t, pi::Handle) { return pi::noErr; }
pi::PropertyProcs silentPropertyProcs = {1, 2, silentGetProperty, silentSetProperty};

// The basic suite exists but offers no suites; memory blocks work.
pi::int32 acquireSuite(const char*, pi::int32, const void** suite) {
  if (suite) *suite = nullptr;
  return pi::int32(fourCharCode("S!Fd"));
}
pi::int32 releaseSuite(const char*, pi::int32) { return 0; }
pi::int32 isEqual(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }
pi::int32 allocateBlock(size_t size, void** block) {
  *block = std::malloc(size ? size : 1);
  return *block ? 0 : pi::memFullErr;
}
pi::int32 freeBlock(void* block) {
  std::free(block);
  return 0;
}
pi::int32 reallocateBlock(void* block, size_t size, void** newBlock) {
  *newBlock = std::realloc(block, size ? size : 1);
  return *newBlock ? 0 : pi::memFullErr;
}
pi::int32 undefinedCall() { return pi::int32(fourCharCode("!IMP")); }
pi::SPBasicSuite basicSuite = {acquireSuite, releaseSuite, isEqual, allocateBlock, freeBlock, reallocateBlock,
                               undefinedCall};

pi::Rect16 narrow(const pi::VRect& r) {
  auto clip = [](std::int32_t v) { return pi::int16(std::clamp(v, -32768, 32767)); };
  return {clip(r.top), clip(r.left), clip(r.bottom), clip(r.right)};
}

pi::Point16 narrow(const pi::VPoint& p) {
  return {pi::int16(std::min(p.v, 32767)), pi::int16(std::min(p.h, 32767))};
}

pi::VRect widen(const pi::Rect16& r) { return {r.top, r.left, r.bottom, r.right}; }

bool rectEmpty(const pi::VRect& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

SubstituteHost::SubstituteHost(PluginEntry entry, HostOptions options) : entry_(entry), options_(std::move(options)) {
  if (options_.lean) {
    options_.bigDocument = false;
    options_.packedRows = true;
  }
}

SubstituteHost::~SubstituteHost() {
  // The host owns both handles and frees them when it is done with the document.
  if (parameters_) disposeHostHandle(parameters_);
  if (dataSlot_) disposeHostHandle(reinterpret_cast<pi::Handle>(dataSlot_));
  if (descriptorParameters_.descriptor) disposeHostHandle(descriptorParameters_.descriptor);
  if (runningHost == this) runningHost = nullptr;
}

SubstituteHost* SubstituteHost::current() { return runningHost; }

bool SubstituteHost::abortRequested() { return options_.shouldAbort && options_.shouldAbort(); }

void SubstituteHost::progress(pi::int32 done, pi::int32 total) {
  if (options_.onProgress) options_.onProgress(done, total);
}

void SubstituteHost::fillRecord(HostDocument& document) {
  const RasterImage& image = document.image;
  record_ = pi::FilterRecord{};
  bigDocument_ = pi::BigDocumentStruct{};
  std::memset(errorString_, 0, sizeof errorString_);
  const pi::VPoint size{image.height, image.width};
  record_.abortProc = abortCallback;
  record_.progressProc = progressCallback;
  record_.parameters = parameters_;
  record_.imageSize = narrow(size);
  record_.planes = pi::int16(image.channels());
  record_.filterRect = narrow(document.filterRect);
  record_.background = {65535, 65535, 65535};
  record_.foreground = {0, 0, 0};
  record_.maxSpace = options_.maxSpace;
  record_.maxSpace64 = options_.maxSpace;
  record_.haveMask = !document.mask.empty();
  record_.autoMask = record_.haveMask;
  record_.hostSig = options_.hostSig;
  record_.imageMode = imageModeOf(image);
  record_.imageHRes = record_.imageVRes = 72 * pi::kFixedOne;
  record_.wholeSize = narrow(size);
  record_.platformData = &platformData_;
  record_.bufferProcs = options_.bufferProcs ? hostBufferProcs() : nullptr;
  record_.displayPixels = options_.displayPixels ? displayPixelsCallback : nullptr;
  record_.handleProcs = hostHandleProcs();
  record_.filterCase = filterCaseOf(document);
  record_.dummyPlaneValue = -1;
  record_.advanceState = options_.advanceState ? advanceStateCallback : nullptr;
  record_.supportsPadding = 1;
  record_.samplingSupport = 2;
  record_.inputRate = record_.maskRate = pi::kFixedOne;
  record_.inputPadding = record_.outputPadding = record_.maskPadding = pi::plugInWantsErrorOnBoundsException;
  record_.inLayerPlanes = record_.outLayerPlanes = pi::int16(image.colorChannels);
  record_.inTransparencyMask = record_.outTransparencyMask = image.hasAlpha ? 1 : 0;
  record_.propertyProcs = options_.lean ? &silentPropertyProcs : &propertyProcs;
  record_.descriptorParameters = options_.scripting ? &descriptorParameters_ : nullptr;
  record_.errorString = &errorString_;
  record_.sSPBasic = options_.lean ? nullptr : &basicSuite;
  record_.depth = depthOf(image);
  if (options_.bigDocument) {
    bigDocument_.imageSize32 = size;
    bigDocument_.filterRect32 = document.filterRect;
    bigDocument_.wholeSize32 = size;
    record_.bigDocumentData = &bigDocument_;
  }
}

void SubstituteHost::beginDocument(HostDocument& document) {
  document_ = &document;
  outPending_ = false;
  deliveries_ = 0;
  fillRecord(document);
  runningHost = this;
}

pi::int16 SubstituteHost::call(pi::int16 selector) {
  runningHost = this;
  pi::int16 result = 0;
  record_.parameters = parameters_;
  entry_(selector, &record_, &dataSlot_, &result);
  parameters_ = record_.parameters;
  return result;
}

pi::int16 SubstituteHost::about() {
  pi::AboutRecord aboutRecord{};
  aboutRecord.platformData = &platformData_;
  aboutRecord.sSPBasic = &basicSuite;
  pi::int16 result = 0;
  entry_(pi::filterSelectorAbout, &aboutRecord, &dataSlot_, &result);
  return result;
}

// The rectangles come from the 32-bit block when the plug-in announced that it uses it.
pi::OSErr SubstituteHost::deliver() {
  if (!document_) return pi::paramErr;
  takeBackOutput();
  if (options_.failDeliveryAfter >= 0 && deliveries_ >= options_.failDeliveryAfter) return pi::readErr;
  const bool wide = record_.bigDocumentData && bigDocument_.PluginUsing32BitCoordinates;
  const bool tooBig = document_->image.width > 32767 || document_->image.height > 32767;
  if (!wide && tooBig) return pi::errPlugInHostInsufficient;
  const pi::VRect inRect = wide ? bigDocument_.inRect32 : widen(record_.inRect);
  const pi::VRect outRect = wide ? bigDocument_.outRect32 : widen(record_.outRect);
  const pi::VRect maskRect = wide ? bigDocument_.maskRect32 : widen(record_.maskRect);
  const PixelRequest inRequest{inRect, record_.inLoPlane, record_.inHiPlane, record_.inputRate, record_.inputPadding};
  // The output is always at full resolution, whatever rate the input is sampled at.
  const PixelRequest outRequest{outRect, record_.outLoPlane, record_.outHiPlane, pi::kFixedOne, record_.outputPadding};
  const PixelRequest maskRequest{maskRect, 0, 0, record_.maskRate, record_.maskPadding};
  auto fill = [&](const PixelRequest& request, PixelBuffer& buffer, bool isMask) {
    buffer = PixelBuffer{};
    if (rectEmpty(request.rect)) return pi::noErr;
    return isMask ? readMask(*document_, request, options_.packedRows, buffer)
                  : readPixels(*document_, request, options_.packedRows, buffer);
  };
  pi::OSErr error = fill(inRequest, in_, false);
  if (!error) error = fill(outRequest, out_, false);
  if (!error && record_.haveMask) error = fill(maskRequest, mask_, true);
  if (error) {
    in_ = out_ = mask_ = PixelBuffer{};
    record_.inData = record_.outData = record_.maskData = nullptr;
    return error;
  }
  record_.inData = in_.empty() ? nullptr : in_.bytes.data();
  record_.inRowBytes = in_.rowBytes;
  record_.inColumnBytes = options_.packedRows ? 0 : in_.columnBytes;
  record_.inPlaneBytes = bytesPerSample(document_->image.type);
  record_.outData = out_.empty() ? nullptr : out_.bytes.data();
  record_.outRowBytes = out_.rowBytes;
  record_.outColumnBytes = options_.packedRows ? 0 : out_.columnBytes;
  record_.outPlaneBytes = record_.inPlaneBytes;
  record_.maskData = mask_.empty() ? nullptr : mask_.bytes.data();
  record_.maskRowBytes = mask_.rowBytes;
  deliveredOut_ = outRequest;
  outPending_ = !out_.empty();
  ++deliveries_;
  return pi::noErr;
}

void SubstituteHost::takeBackOutput() {
  if (!outPending_ || !document_) return;
  writePixels(*document_, deliveredOut_, out_, record_.autoMask != 0);
  outPending_ = false;
}

bool SubstituteHost::anyRectPending() const {
  const bool wide = record_.bigDocumentData && bigDocument_.PluginUsing32BitCoordinates;
  if (wide)
    return !rectEmpty(bigDocument_.inRect32) || !rectEmpty(bigDocument_.outRect32) ||
           (record_.haveMask && !rectEmpty(bigDocument_.maskRect32));
  return !rectEmpty(widen(record_.inRect)) || !rectEmpty(widen(record_.outRect)) ||
         (record_.haveMask && !rectEmpty(widen(record_.maskRect)));
}

void SubstituteHost::setDescriptor(const RunRequest& request) {
  if (descriptorParameters_.descriptor) disposeHostHandle(descriptorParameters_.descriptor);
  descriptorParameters_ = pi::PIDescriptorParameters{};
  if (options_.lean) return;  // present, but without a descriptor or procedures
  descriptorParameters_.readDescriptorProcs = hostReadDescriptorProcs();
  descriptorParameters_.writeDescriptorProcs = hostWriteDescriptorProcs();
  descriptorParameters_.playInfo = request.playInfo;
  descriptorParameters_.recordInfo = 0;
  if (request.descriptor) descriptorParameters_.descriptor = makeDescriptorHandle(*request.descriptor);
}

std::optional<DescriptorItems> SubstituteHost::takeRecordedDescriptor() {
  if (!options_.scripting || !descriptorParameters_.descriptor) return std::nullopt;
  DescriptorItems items;
  if (!readDescriptorHandle(descriptorParameters_.descriptor, items)) return std::nullopt;
  return items;
}

RunOutcome SubstituteHost::run(HostDocument& document, const RunRequest& request) {
  RunOutcome outcome;
  if (options_.lean) {
    // Such a host keeps nothing for the plug-in between runs, and its handles lie about sizes.
    if (parameters_) disposeHostHandle(parameters_);
    parameters_ = nullptr;
    HostMemoryFaults faults;
    faults.reportZeroSizes = true;
    faults.failSetSize = true;
    setHostMemoryFaults(faults);
  }
  beginDocument(document);
  setDescriptor(request);
  auto finishWith = [&](pi::int16 selector, pi::int16 result) {
    if (options_.lean) setHostMemoryFaults({});
    outcome.result = result;
    outcome.failedSelector = selector;
    outcome.message.assign(reinterpret_cast<const char*>(&errorString_[1]), errorString_[0]);
    outcome.deliveries = deliveries_;
    return outcome;
  };
  if (request.withParameters) {
    if (const pi::int16 result = call(pi::filterSelectorParameters)) return finishWith(pi::filterSelectorParameters, result);
  }
  if (const pi::int16 result = call(pi::filterSelectorPrepare)) return finishWith(pi::filterSelectorPrepare, result);
  const pi::int16 started = call(pi::filterSelectorStart);
  takeBackOutput();
  if (started) return finishWith(pi::filterSelectorStart, started);
  pi::int16 continued = 0;
  while (anyRectPending() && outcome.continueCalls < kMostContinueCalls) {
    if ((continued = deliver()) != pi::noErr) break;
    ++outcome.continueCalls;
    continued = call(pi::filterSelectorContinue);
    takeBackOutput();
    if (continued) break;
  }
  if (!continued && anyRectPending()) continued = pi::paramErr;  // the plug-in never let go
  const pi::int16 finished = call(pi::filterSelectorFinish);
  outcome.recorded = takeRecordedDescriptor();
  return finishWith(continued ? pi::int16(pi::filterSelectorContinue) : finished ? pi::int16(pi::filterSelectorFinish) : pi::int16(-1),
                    continued ? continued : finished);
}

}  // namespace qm::cli
