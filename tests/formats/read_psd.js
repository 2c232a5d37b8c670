// SPDX-License-Identifier: LicenseRef-Quillmark
// Reads a PSD file with the ag-psd package and prints what the tests compare, as JSON: the
// document's size, depth and channel count, the layers' names, the first layer's channels
// (ids and stored lengths) and its pixels, and the composite's pixels, RGBA in the reader's
// own units. Usage: node read_psd.js NODE_MODULES_FOLDER FILE
'use strict';
const fs = require('fs');
const path = require('path');

const [modules, file] = process.argv.slice(2);
const { readPsd, initializeCanvas } = require(path.join(modules, 'ag-psd'));
// No canvas under node: 8-bit pixels go into plain image data records.
initializeCanvas(() => { throw new Error('no canvas under node'); },
  (width, height) => ({ width, height, data: new Uint8ClampedArray(width * height * 4) }));
const bytes = fs.readFileSync(file);

// Once for the channels as stored, once for the pixels the reader decodes from them.
const raw = readPsd(bytes, { useRawData: true, skipCompositeImageData: true, skipThumbnail: true });
const psd = readPsd(bytes, { useImageData: true, skipThumbnail: true });
const layers = psd.children || [];
const rawChannels = layers.length && raw.children[0].rawData ? raw.children[0].rawData.channels : [];

console.log(JSON.stringify({
  width: psd.width,
  height: psd.height,
  bitsPerChannel: psd.bitsPerChannel,
  channels: psd.channels,
  layerNames: layers.map(layer => layer.name),
  layerChannelIds: rawChannels.map(channel => channel.id),
  layerChannelLengths: rawChannels.map(channel => (channel.data ? channel.data.length : 0) + 2),
  layerPixels: layers.length && layers[0].imageData ? Array.from(layers[0].imageData.data) : [],
  composite: psd.imageData ? Array.from(psd.imageData.data) : [],
}));
