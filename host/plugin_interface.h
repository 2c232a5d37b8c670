// SPDX-License-Identifier: LicenseRef-Quillmark
// Our own declarations of the filter plug-in interface: the records, callback tables and
// constants that a host and a filter exchange. Binary compatible with real hosts on x86
// and x64 Windows (and the same layout on Linux x86_64 for the substitute host); the
// offsets we rely on are checked in plugin_interface_layout.h.
//
// Packing: FilterRecord and BigDocumentStruct sit in a 4-byte packed region (pointers
// after a 16-bit field are not 8-aligned on x64); every callback table and the other
// records use the compiler's natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/four_char_code.h"

namespace pi {

using int16 = std::int16_t;
using int32 = std::int32_t;
using int64 = std::int64_t;
using uint8 = std::uint8_t;
using uint16 = std::uint16_t;
using uint32 = std::uint32_t;

using Boolean = unsigned char;  // 0 false, anything else true
using Fixed = int32;            // 16.16 fixed point, 1.0 = 0x00010000
using OSType = uint32;          // four-character code, first character in the high byte
using OSErr = int16;
using Ptr = char*;
using Handle = char**;  // opaque host handle; *handle is the data pointer
using BufferID = struct OpaqueBuffer*;

constexpr Fixed kFixedOne = 0x00010000;

// Four-character code from a literal such as "8BIM".
constexpr OSType fourCC(const char (&code)[5]) { return qm::fourCharCode(code); }

struct Point16 {
  int16 v;
  int16 h;
};
struct Rect16 {
  int16 top, left, bottom, right;
};
struct VPoint {
  int32 v;
  int32 h;
};
struct VRect {
  int32 top, left, bottom, right;
};
struct RGBColor {
  uint16 red, green, blue;
};
using FilterColor = uint8[4];
using Str255 = uint8[256];  // Pascal string: length byte, then up to 255 bytes

struct PlugInMonitor {
  Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

// ---- callbacks (C calling convention on every platform) ----
using TestAbortProc = Boolean (*)();
using ProgressProc = void (*)(int32 done, int32 total);
using HostProc = void (*)(int16 selector, intptr_t* data);
using ProcessEventProc = void (*)(void* event);
using AdvanceStateProc = OSErr (*)();
using ColorServicesProc = OSErr (*)(struct ColorServicesInfo* info);
using GetPropertyProc = OSErr (*)(OSType signature, OSType key, int32 index, intptr_t* simple,
                                  Handle* complex);
using SetPropertyProc = OSErr (*)(OSType signature, OSType key, int32 index, intptr_t simple,
                                  Handle complex);

struct PSPixelMask {
  PSPixelMask* next;
  void* maskData;
  int32 rowBytes;
  int32 colBytes;
  int32 maskDescription;
};

struct PSPixelMap {
  int32 version;
  VRect bounds;
  int32 imageMode;
  int32 rowBytes;
  int32 colBytes;
  int32 planeBytes;
  void* baseAddr;
  PSPixelMask* mat;        // version 1
  PSPixelMask* masks;      // version 1
  int32 maskPhaseRow;      // version 1
  int32 maskPhaseCol;      // version 1
  void* pixelOverlays;     // version 2
  uint32 colorManagementOptions;  // version 2
};

using DisplayPixelsProc = OSErr (*)(const PSPixelMap* source, const VRect* sourceRect, int32 destRow,
                                    int32 destCol, void* platformContext);

struct HandleProcs {
  int16 handleProcsVersion;
  int16 numHandleProcs;
  Handle (*newProc)(int32 size);
  void (*disposeProc)(Handle h);
  int32 (*getSizeProc)(Handle h);
  OSErr (*setSizeProc)(Handle h, int32 newSize);
  Ptr (*lockProc)(Handle h, Boolean moveHigh);
  void (*unlockProc)(Handle h);
  void (*recoverSpaceProc)(int32 size);
  void (*disposeRegularHandleProc)(Handle h);
};
constexpr int16 kHandleProcsVersion = 1;
constexpr int16 kHandleProcsCount = 8;

struct BufferProcs {
  int16 bufferProcsVersion;
  int16 numBufferProcs;
  OSErr (*allocateProc)(int32 size, BufferID* outId);
  Ptr (*lockProc)(BufferID id, Boolean moveHigh);
  void (*unlockProc)(BufferID id);
  void (*freeProc)(BufferID id);
  int32 (*spaceProc)();
};
constexpr int16 kBufferProcsVersion = 2;
constexpr int16 kBufferProcsCount = 5;

struct ResourceProcs {
  int16 resourceProcsVersion;
  int16 numResourceProcs;
  int16 (*countProc)(OSType type);
  Handle (*getProc)(OSType type, int16 index);
  void (*deleteProc)(OSType type, int16 index);
  OSErr (*addProc)(OSType type, Handle data);
};

struct PropertyProcs {
  int16 propertyProcsVersion;
  int16 numPropertyProcs;
  GetPropertyProc getPropertyProc;
  SetPropertyProc setPropertyProc;
};

struct PlatformData {
  void* hwnd;  // the host's window, parent of the filter's dialogs
};

struct SPBasicSuite {
  int32 (*AcquireSuite)(const char* name, int32 version, const void** suite);
  int32 (*ReleaseSuite)(const char* name, int32 version);
  int32 (*IsEqual)(const char* a, const char* b);
  int32 (*AllocateBlock)(size_t size, void** block);
  int32 (*FreeBlock)(void* block);
  int32 (*ReallocateBlock)(void* block, size_t newSize, void** newBlock);
  int32 (*Undefined)();
};

struct AboutRecord {
  PlatformData* platformData;
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  char reserved[244];
};

// ---- scripting descriptors ----
using DescriptorKeyID = uint32;
using DescriptorTypeID = uint32;
using DescriptorEnumID = uint32;
using DescriptorUnitID = uint32;
using PIDescriptorHandle = Handle;
using PIReadDescriptor = struct OpaqueReadDescriptor*;
using PIWriteDescriptor = struct OpaqueWriteDescriptor*;

struct PIDescriptorSimpleReference {
  DescriptorTypeID desiredClass;
  DescriptorKeyID keyForm;
  struct {
    Str255 name;
    int32 index;
    DescriptorTypeID type;
    DescriptorEnumID value;
  } keyData;
};

struct ReadDescriptorProcs {
  int16 readDescriptorProcsVersion;
  int16 numReadDescriptorProcs;
  PIReadDescriptor (*openReadDescriptorProc)(PIDescriptorHandle descriptor, DescriptorKeyID* keyArray);
  OSErr (*closeReadDescriptorProc)(PIReadDescriptor token);
  Boolean (*getKeyProc)(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type, int32* flags);
  OSErr (*getIntegerProc)(PIReadDescriptor token, int32* value);
  OSErr (*getFloatProc)(PIReadDescriptor token, double* value);
  OSErr (*getUnitFloatProc)(PIReadDescriptor token, DescriptorUnitID* unit, double* value);
  OSErr (*getBooleanProc)(PIReadDescriptor token, Boolean* value);
  OSErr (*getTextProc)(PIReadDescriptor token, Handle* value);
  OSErr (*getAliasProc)(PIReadDescriptor token, Handle* value);
  OSErr (*getEnumeratedProc)(PIReadDescriptor token, DescriptorEnumID* value);
  OSErr (*getClassProc)(PIReadDescriptor token, DescriptorTypeID* value);
  OSErr (*getSimpleReferenceProc)(PIReadDescriptor token, PIDescriptorSimpleReference* value);
  OSErr (*getObjectProc)(PIReadDescriptor token, DescriptorTypeID* type, PIDescriptorHandle* value);
  OSErr (*getCountProc)(PIReadDescriptor token, uint32* value);
  OSErr (*getStringProc)(PIReadDescriptor token, Str255* value);
  OSErr (*getPinnedIntegerProc)(PIReadDescriptor token, int32 min, int32 max, int32* value);
  OSErr (*getPinnedFloatProc)(PIReadDescriptor token, const double* min, const double* max, double* value);
  OSErr (*getPinnedUnitFloatProc)(PIReadDescriptor token, const double* min, const double* max,
                                  DescriptorUnitID* unit, double* value);
};
constexpr int16 kReadDescriptorProcsVersion = 0;
constexpr int16 kReadDescriptorProcsCount = 18;

struct WriteDescriptorProcs {
  int16 writeDescriptorProcsVersion;
  int16 numWriteDescriptorProcs;
  PIWriteDescriptor (*openWriteDescriptorProc)();
  OSErr (*closeWriteDescriptorProc)(PIWriteDescriptor token, PIDescriptorHandle* newDescriptor);
  OSErr (*putIntegerProc)(PIWriteDescriptor token, DescriptorKeyID key, int32 value);
  OSErr (*putFloatProc)(PIWriteDescriptor token, DescriptorKeyID key, const double* value);
  OSErr (*putUnitFloatProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorUnitID unit,
                            const double* value);
  OSErr (*putBooleanProc)(PIWriteDescriptor token, DescriptorKeyID key, Boolean value);
  OSErr (*putTextProc)(PIWriteDescriptor token, DescriptorKeyID key, Handle value);
  OSErr (*putAliasProc)(PIWriteDescriptor token, DescriptorKeyID key, Handle value);
  OSErr (*putEnumeratedProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                             DescriptorEnumID value);
  OSErr (*putClassProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID value);
  OSErr (*putSimpleReferenceProc)(PIWriteDescriptor token, DescriptorKeyID key,
                                  const PIDescriptorSimpleReference* value);
  OSErr (*putObjectProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                         PIDescriptorHandle value);
  OSErr (*putCountProc)(PIWriteDescriptor token, DescriptorKeyID key, uint32 value);
  OSErr (*putStringProc)(PIWriteDescriptor token, DescriptorKeyID key, const uint8* pascalString);
  OSErr (*putScopedClassProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID value);
  OSErr (*putScopedObjectProc)(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type,
                               PIDescriptorHandle value);
};
constexpr int16 kWriteDescriptorProcsVersion = 0;
constexpr int16 kWriteDescriptorProcsCount = 16;

struct PIDescriptorParameters {
  int16 descriptorParametersVersion;
  int16 playInfo;
  int16 recordInfo;
  PIDescriptorHandle descriptor;
  WriteDescriptorProcs* writeDescriptorProcs;
  ReadDescriptorProcs* readDescriptorProcs;
};

// ---- the filter record ----
#pragma pack(push, 4)

struct BigDocumentStruct {
  int32 PluginUsing32BitCoordinates;
  VPoint imageSize32;
  VRect filterRect32;
  VRect inRect32;
  VRect outRect32;
  VRect maskRect32;
  VPoint floatCoord32;
  VPoint wholeSize32;
};

struct FilterRecord {
  int32 serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;
  Point16 imageSize;
  int16 planes;
  Rect16 filterRect;
  RGBColor background;
  RGBColor foreground;
  int32 maxSpace;
  int32 bufferSpace;
  Rect16 inRect;
  int16 inLoPlane;
  int16 inHiPlane;
  Rect16 outRect;
  int16 outLoPlane;
  int16 outHiPlane;
  void* inData;
  int32 inRowBytes;
  void* outData;
  int32 outRowBytes;
  Boolean isFloating;
  Boolean haveMask;
  Boolean autoMask;
  Rect16 maskRect;
  void* maskData;
  int32 maskRowBytes;
  FilterColor backColor;
  FilterColor foreColor;
  OSType hostSig;
  HostProc hostProc;
  int16 imageMode;
  Fixed imageHRes;
  Fixed imageVRes;
  Point16 floatCoord;
  Point16 wholeSize;
  PlugInMonitor monitor;
  PlatformData* platformData;
  BufferProcs* bufferProcs;
  ResourceProcs* resourceProcs;
  ProcessEventProc processEvent;
  DisplayPixelsProc displayPixels;
  HandleProcs* handleProcs;
  Boolean supportsDummyChannels;
  Boolean supportsAlternateLayouts;
  int16 wantLayout;
  int16 filterCase;
  int16 dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
  Boolean supportsAbsolute;
  Boolean wantsAbsolute;
  GetPropertyProc getPropertyObsolete;
  Boolean cannotUndo;
  Boolean supportsPadding;
  int16 inputPadding;
  int16 outputPadding;
  int16 maskPadding;
  char samplingSupport;
  char reservedByte;
  Fixed inputRate;
  Fixed maskRate;
  ColorServicesProc colorServices;
  int16 inLayerPlanes;
  int16 inTransparencyMask;
  int16 inLayerMasks;
  int16 inInvertedLayerMasks;
  int16 inNonLayerPlanes;
  int16 outLayerPlanes;
  int16 outTransparencyMask;
  int16 outLayerMasks;
  int16 outInvertedLayerMasks;
  int16 outNonLayerPlanes;
  int16 absLayerPlanes;
  int16 absTransparencyMask;
  int16 absLayerMasks;
  int16 absInvertedLayerMasks;
  int16 absNonLayerPlanes;
  int16 inPreDummyPlanes;
  int16 inPostDummyPlanes;
  int16 outPreDummyPlanes;
  int16 outPostDummyPlanes;
  int32 inColumnBytes;
  int32 inPlaneBytes;
  int32 outColumnBytes;
  int32 outPlaneBytes;
  void* imageServicesProcs;
  PropertyProcs* propertyProcs;
  int16 inTileHeight;
  int16 inTileWidth;
  Point16 inTileOrigin;
  int16 absTileHeight;
  int16 absTileWidth;
  Point16 absTileOrigin;
  int16 outTileHeight;
  int16 outTileWidth;
  Point16 outTileOrigin;
  int16 maskTileHeight;
  int16 maskTileWidth;
  Point16 maskTileOrigin;
  PIDescriptorParameters* descriptorParameters;
  Str255* errorString;
  void* channelPortProcs;
  void* documentInfo;
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  int32 depth;
  Handle iCCprofileData;
  int32 iCCprofileSize;
  int32 canUseICCProfiles;
  int32 hasImageScrap;
  BigDocumentStruct* bigDocumentData;
  PIDescriptorParameters* input3DScene;
  PIDescriptorParameters* output3DScene;
  Boolean createNewLayer;
  Handle iCCWorkingProfileData;
  int32 iCCWorkingProfileSize;
  int64 bufferSpace64;
  int64 maxSpace64;
  char reserved[46];
};

#pragma pack(pop)

// ---- constants ----
enum FilterSelector : int16 {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

enum ImageMode : int16 {
  plugInModeBitmap = 0,
  plugInModeGrayScale = 1,
  plugInModeIndexedColor = 2,
  plugInModeRGBColor = 3,
  plugInModeCMYKColor = 4,
  plugInModeHSLColor = 5,
  plugInModeHSBColor = 6,
  plugInModeMultichannel = 7,
  plugInModeDuotone = 8,
  plugInModeLabColor = 9,
  plugInModeGray16 = 10,
  plugInModeRGB48 = 11,
  plugInModeLab48 = 12,
  plugInModeCMYK64 = 13,
  plugInModeDeepMultichannel = 14,
  plugInModeDuotone16 = 15,
  plugInModeRGB96 = 16,
  plugInModeGray32 = 17,
};

enum FilterCase : int16 {
  filterCaseUnsupported = -1,
  filterCaseNotSet = 0,
  filterCaseFlatImageNoSelection = 1,
  filterCaseFlatImageWithSelection = 2,
  filterCaseFloatingSelection = 3,
  filterCaseEditableTransparencyNoSelection = 4,
  filterCaseEditableTransparencyWithSelection = 5,
  filterCaseProtectedTransparencyNoSelection = 6,
  filterCaseProtectedTransparencyWithSelection = 7,
};

// Host results (*result of PluginMain and the return of host callbacks).
constexpr OSErr noErr = 0;
constexpr OSErr coercedParamErr = 2;
constexpr OSErr readErr = -19;
constexpr OSErr writErr = -20;
constexpr OSErr paramErr = -50;
constexpr OSErr memFullErr = -108;
constexpr OSErr nilHandleErr = -109;
constexpr OSErr userCanceledErr = -128;
constexpr OSErr errMissingParameter = -1715;
constexpr OSErr filterBadParameters = -30100;
constexpr OSErr filterBadMode = -30101;
constexpr OSErr errPlugInHostInsufficient = -30900;
constexpr OSErr errReportString = -30904;

// Padding values of inputPadding, outputPadding and maskPadding (0..255 is a fill value).
constexpr int16 plugInWantsEdgeReplication = -1;
constexpr int16 plugInDoesNotWantPadding = -2;
constexpr int16 plugInWantsErrorOnBoundsException = -3;

// Scripting play and record modes.
constexpr int16 plugInDialogDontDisplay = 0;
constexpr int16 plugInDialogDisplay = 1;
constexpr int16 plugInDialogSilent = 2;

// Descriptor value types and key flags.
constexpr DescriptorTypeID typeInteger = fourCC("long");
constexpr DescriptorTypeID typeFloat = fourCC("doub");
constexpr DescriptorTypeID typeUnitFloat = fourCC("UntF");
constexpr DescriptorTypeID typeBoolean = fourCC("bool");
constexpr DescriptorTypeID typeChar = fourCC("TEXT");
constexpr DescriptorTypeID typeEnumerated = fourCC("enum");
constexpr DescriptorTypeID typeNull = fourCC("null");
constexpr int32 actionSimpleParameter = 0;
constexpr int32 actionEnumeratedParameter = 0x2000;

}  // namespace pi
