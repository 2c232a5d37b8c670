// SPDX-License-Identifier: LicenseRef-Quillmark
// Compile-time proof that our declarations match the binary layout real hosts use, for
// both pointer sizes. Every offset here is one the filter or the substitute host reads or
// writes; a wrong one would corrupt the host's memory, so the build stops instead.
#pragma once

#include <cstddef>

#include "host/plugin_interface.h"

namespace pi::layout {

constexpr bool kWide = sizeof(void*) == 8;
constexpr std::size_t at(std::size_t x86, std::size_t x64) { return kWide ? x64 : x86; }

#define QM_AT(type, field, x86, x64) \
  static_assert(offsetof(type, field) == at(x86, x64), #type "::" #field " is misplaced")

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);

QM_AT(FilterRecord, abortProc, 4, 4);
QM_AT(FilterRecord, progressProc, 8, 12);
QM_AT(FilterRecord, parameters, 12, 20);
QM_AT(FilterRecord, imageSize, 16, 28);
QM_AT(FilterRecord, planes, 20, 32);
QM_AT(FilterRecord, filterRect, 22, 34);
QM_AT(FilterRecord, background, 30, 42);
QM_AT(FilterRecord, foreground, 36, 48);
QM_AT(FilterRecord, maxSpace, 44, 56);
QM_AT(FilterRecord, bufferSpace, 48, 60);
QM_AT(FilterRecord, inRect, 52, 64);
QM_AT(FilterRecord, inLoPlane, 60, 72);
QM_AT(FilterRecord, inHiPlane, 62, 74);
QM_AT(FilterRecord, outRect, 64, 76);
QM_AT(FilterRecord, outLoPlane, 72, 84);
QM_AT(FilterRecord, outHiPlane, 74, 86);
QM_AT(FilterRecord, inData, 76, 88);
QM_AT(FilterRecord, inRowBytes, 80, 96);
QM_AT(FilterRecord, outData, 84, 100);
QM_AT(FilterRecord, outRowBytes, 88, 108);
QM_AT(FilterRecord, isFloating, 92, 112);
QM_AT(FilterRecord, haveMask, 93, 113);
QM_AT(FilterRecord, autoMask, 94, 114);
QM_AT(FilterRecord, maskRect, 96, 116);
QM_AT(FilterRecord, maskData, 104, 124);
QM_AT(FilterRecord, maskRowBytes, 108, 132);
QM_AT(FilterRecord, backColor, 112, 136);
QM_AT(FilterRecord, foreColor, 116, 140);
QM_AT(FilterRecord, hostSig, 120, 144);
QM_AT(FilterRecord, hostProc, 124, 148);
QM_AT(FilterRecord, imageMode, 128, 156);
QM_AT(FilterRecord, imageHRes, 132, 160);
QM_AT(FilterRecord, floatCoord, 140, 168);
QM_AT(FilterRecord, wholeSize, 144, 172);
QM_AT(FilterRecord, monitor, 148, 176);
QM_AT(FilterRecord, platformData, 188, 216);
QM_AT(FilterRecord, bufferProcs, 192, 224);
QM_AT(FilterRecord, resourceProcs, 196, 232);
QM_AT(FilterRecord, processEvent, 200, 240);
QM_AT(FilterRecord, displayPixels, 204, 248);
QM_AT(FilterRecord, handleProcs, 208, 256);
QM_AT(FilterRecord, supportsDummyChannels, 212, 264);
QM_AT(FilterRecord, wantLayout, 214, 266);
QM_AT(FilterRecord, filterCase, 216, 268);
QM_AT(FilterRecord, dummyPlaneValue, 218, 270);
QM_AT(FilterRecord, premiereHook, 220, 272);
QM_AT(FilterRecord, advanceState, 224, 280);
QM_AT(FilterRecord, supportsAbsolute, 228, 288);
QM_AT(FilterRecord, getPropertyObsolete, 232, 292);
QM_AT(FilterRecord, cannotUndo, 236, 300);
QM_AT(FilterRecord, supportsPadding, 237, 301);
QM_AT(FilterRecord, inputPadding, 238, 302);
QM_AT(FilterRecord, outputPadding, 240, 304);
QM_AT(FilterRecord, maskPadding, 242, 306);
QM_AT(FilterRecord, samplingSupport, 244, 308);
QM_AT(FilterRecord, inputRate, 248, 312);
QM_AT(FilterRecord, maskRate, 252, 316);
QM_AT(FilterRecord, colorServices, 256, 320);
QM_AT(FilterRecord, inLayerPlanes, 260, 328);
QM_AT(FilterRecord, inPreDummyPlanes, 290, 358);
QM_AT(FilterRecord, outPostDummyPlanes, 296, 364);
QM_AT(FilterRecord, inColumnBytes, 300, 368);
QM_AT(FilterRecord, inPlaneBytes, 304, 372);
QM_AT(FilterRecord, outColumnBytes, 308, 376);
QM_AT(FilterRecord, outPlaneBytes, 312, 380);
QM_AT(FilterRecord, imageServicesProcs, 316, 384);
QM_AT(FilterRecord, propertyProcs, 320, 392);
QM_AT(FilterRecord, inTileHeight, 324, 400);
QM_AT(FilterRecord, maskTileOrigin, 352, 428);
QM_AT(FilterRecord, descriptorParameters, 356, 432);
QM_AT(FilterRecord, errorString, 360, 440);
QM_AT(FilterRecord, channelPortProcs, 364, 448);
QM_AT(FilterRecord, documentInfo, 368, 456);
QM_AT(FilterRecord, sSPBasic, 372, 464);
QM_AT(FilterRecord, plugInRef, 376, 472);
QM_AT(FilterRecord, depth, 380, 480);
QM_AT(FilterRecord, iCCprofileData, 384, 484);
QM_AT(FilterRecord, iCCprofileSize, 388, 492);
QM_AT(FilterRecord, canUseICCProfiles, 392, 496);
QM_AT(FilterRecord, hasImageScrap, 396, 500);
QM_AT(FilterRecord, bigDocumentData, 400, 504);
QM_AT(FilterRecord, input3DScene, 404, 512);
QM_AT(FilterRecord, output3DScene, 408, 520);
QM_AT(FilterRecord, createNewLayer, 412, 528);
QM_AT(FilterRecord, iCCWorkingProfileData, 416, 532);
QM_AT(FilterRecord, iCCWorkingProfileSize, 420, 540);
QM_AT(FilterRecord, bufferSpace64, 424, 544);
QM_AT(FilterRecord, maxSpace64, 432, 552);
QM_AT(FilterRecord, reserved, 440, 560);
static_assert(sizeof(FilterRecord) == at(488, 608), "FilterRecord has the wrong size");

QM_AT(BigDocumentStruct, imageSize32, 4, 4);
QM_AT(BigDocumentStruct, filterRect32, 12, 12);
QM_AT(BigDocumentStruct, inRect32, 28, 28);
QM_AT(BigDocumentStruct, outRect32, 44, 44);
QM_AT(BigDocumentStruct, maskRect32, 60, 60);
QM_AT(BigDocumentStruct, floatCoord32, 76, 76);
QM_AT(BigDocumentStruct, wholeSize32, 84, 84);
static_assert(sizeof(BigDocumentStruct) == 92);

QM_AT(HandleProcs, newProc, 4, 8);
QM_AT(HandleProcs, disposeProc, 8, 16);
QM_AT(HandleProcs, getSizeProc, 12, 24);
QM_AT(HandleProcs, setSizeProc, 16, 32);
QM_AT(HandleProcs, lockProc, 20, 40);
QM_AT(HandleProcs, unlockProc, 24, 48);
QM_AT(HandleProcs, recoverSpaceProc, 28, 56);
QM_AT(HandleProcs, disposeRegularHandleProc, 32, 64);
static_assert(sizeof(HandleProcs) == at(36, 72));

QM_AT(BufferProcs, allocateProc, 4, 8);
QM_AT(BufferProcs, lockProc, 8, 16);
QM_AT(BufferProcs, unlockProc, 12, 24);
QM_AT(BufferProcs, freeProc, 16, 32);
QM_AT(BufferProcs, spaceProc, 20, 40);
static_assert(sizeof(BufferProcs) == at(24, 48));

static_assert(sizeof(ResourceProcs) == at(20, 40));
static_assert(sizeof(PropertyProcs) == at(12, 24));
static_assert(sizeof(PlatformData) == at(4, 8));

QM_AT(AboutRecord, sSPBasic, 4, 8);
QM_AT(AboutRecord, plugInRef, 8, 16);
QM_AT(AboutRecord, reserved, 12, 24);
static_assert(sizeof(AboutRecord) == at(256, 272));

QM_AT(SPBasicSuite, ReleaseSuite, 4, 8);
QM_AT(SPBasicSuite, AllocateBlock, 12, 24);
QM_AT(SPBasicSuite, Undefined, 24, 48);
static_assert(sizeof(SPBasicSuite) == at(28, 56));

QM_AT(PSPixelMap, bounds, 4, 4);
QM_AT(PSPixelMap, imageMode, 20, 20);
QM_AT(PSPixelMap, rowBytes, 24, 24);
QM_AT(PSPixelMap, colBytes, 28, 28);
QM_AT(PSPixelMap, planeBytes, 32, 32);
QM_AT(PSPixelMap, baseAddr, 36, 40);
QM_AT(PSPixelMap, mat, 40, 48);
QM_AT(PSPixelMap, maskPhaseCol, 52, 68);
QM_AT(PSPixelMap, pixelOverlays, 56, 72);
QM_AT(PSPixelMap, colorManagementOptions, 60, 80);
static_assert(sizeof(PSPixelMap) == at(64, 88));

QM_AT(PIDescriptorParameters, playInfo, 2, 2);
QM_AT(PIDescriptorParameters, recordInfo, 4, 4);
QM_AT(PIDescriptorParameters, descriptor, 8, 8);
QM_AT(PIDescriptorParameters, writeDescriptorProcs, 12, 16);
QM_AT(PIDescriptorParameters, readDescriptorProcs, 16, 24);
static_assert(sizeof(PIDescriptorParameters) == at(20, 32));

QM_AT(ReadDescriptorProcs, openReadDescriptorProc, 4, 8);
QM_AT(ReadDescriptorProcs, getKeyProc, 12, 24);
QM_AT(ReadDescriptorProcs, getIntegerProc, 16, 32);
QM_AT(ReadDescriptorProcs, getBooleanProc, 28, 56);
QM_AT(ReadDescriptorProcs, getEnumeratedProc, 40, 80);
QM_AT(ReadDescriptorProcs, getPinnedUnitFloatProc, 72, 144);
static_assert(sizeof(ReadDescriptorProcs) == at(76, 152));

QM_AT(WriteDescriptorProcs, openWriteDescriptorProc, 4, 8);
QM_AT(WriteDescriptorProcs, closeWriteDescriptorProc, 8, 16);
QM_AT(WriteDescriptorProcs, putIntegerProc, 12, 24);
QM_AT(WriteDescriptorProcs, putBooleanProc, 24, 48);
QM_AT(WriteDescriptorProcs, putEnumeratedProc, 36, 72);
QM_AT(WriteDescriptorProcs, putScopedObjectProc, 64, 128);
static_assert(sizeof(WriteDescriptorProcs) == at(68, 136));

QM_AT(PIDescriptorSimpleReference, keyData.name, 8, 8);
QM_AT(PIDescriptorSimpleReference, keyData.index, 264, 264);
QM_AT(PIDescriptorSimpleReference, keyData.value, 272, 272);
static_assert(sizeof(PIDescriptorSimpleReference) == 276);

#undef QM_AT

}  // namespace pi::layout
