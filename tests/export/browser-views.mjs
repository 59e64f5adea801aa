// Looks at our skies through clients we did not write: three.js in headless
// Chromium (the look-around page, the `three` preset, KTX2Loader on our KTX 2
// file, DDSLoader on our DDS file) and ktx-parse on the KTX 2 file.
//
//   node browser-views.mjs FOLDER NODE_MODULES
//
// FOLDER holds preview.html, sky_px.png ... sky_nz.png and sky.js (the
// preset), sky.ktx2, sky.dds and sky-panorama.png. Served on 127.0.0.1 only. Prints one line a
// view, "SOURCE HEADING PITCH RED GREEN BLUE" (the mean of the centre of a
// narrow view), and "ktx-parse FIELD=VALUE ..." lines.
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const [folder, modules] = process.argv.slice(2);
const require = createRequire(path.join(path.resolve(modules), 'x.js'));
const { chromium } = require('playwright-core');

// The views compared: the eight points of the compass above the horizon,
// where the sun makes each look different, the four main ones below it,
// straight up and straight down.
const Views = [];
for (let heading = 0; heading < 360; heading += 45) Views.push([heading, 25]);
for (const heading of [0, 90, 180, 270]) Views.push([heading, -40]);
Views.push([0, 90], [0, -90]);
// Level views at headings where a background box's corners lie in the
// camera's plane (every 45 degrees), which software WebGL breaks: a square
// above the centre of a wider view ("preview-level"), against the same
// direction at the centre of a view aimed there ("preview-aimed").
const LevelViews = [[45, 0], [90, 0], [135, 0], [225, 0]];
const LevelField = 24, LevelAbove = 24;
const Field = 6;  // degrees across the narrow view
const Size = 64;  // pixels across it

const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.png': 'image/png' };
const server = http.createServer((request, response) => {
  const url = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
  const file = url.startsWith('/three/') ? path.join(modules, url) : path.join(folder, url);
  let body;
  try {
    body = readFileSync(file);
  } catch {
    response.writeHead(404);
    response.end();
    return;
  }
  response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
  response.end(body);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

// three.js's own loaders and the preset's snippet, in a page of the test's.
const harness = `<!DOCTYPE html><html><body style="margin:0">
<script type="importmap">{"imports": {"three": "/three/build/three.module.js", "three/addons/": "/three/examples/jsm/"}}</script>
<script type="module">
import * as THREE from 'three';
import { KTX2Loader } from 'three/addons/loaders/KTX2Loader.js';
import { DDSLoader } from 'three/addons/loaders/DDSLoader.js';
import { loadSky } from '/sky.js';

const renderer = new THREE.WebGLRenderer({ preserveDrawingBuffer: true });
renderer.setSize(${Size}, ${Size});
document.body.appendChild(renderer.domElement);
const camera = new THREE.PerspectiveCamera(${Field}, 1, 0.1, 10);
const gl = renderer.getContext();

// A cube texture from a loader's six faces, each { data, width, height }.
function cube(faces, format) {
  const texture = new THREE.CompressedCubeTexture(faces.map((mipmap) => ({ mipmaps: [mipmap], width: mipmap.width,
    height: mipmap.height })), format, THREE.UnsignedByteType);
  texture.minFilter = THREE.LinearFilter;
  texture.generateMipmaps = false;
  texture.needsUpdate = true;
  return texture;
}

const backgrounds = {
  three: async (scene) => {
    const sky = loadSky(scene, '/');
    await new Promise((resolve) => { const wait = () => sky.version > 0 ? resolve() : setTimeout(wait, 20); wait(); });
  },
  ktx2: async (scene) => {
    const loader = new KTX2Loader().detectSupport(renderer);
    const texture = await loader.loadAsync('/sky.ktx2');
    // three.js builds cube textures only from compressed formats; an uncompressed one comes as one block of six faces.
    const level = texture.mipmaps[0], length = level.data.length / 6;
    const faces = [0, 1, 2, 3, 4, 5].map((f) => ({ data: level.data.subarray(f * length, (f + 1) * length),
      width: level.width, height: level.height }));
    const sky = cube(faces, texture.format);
    sky.colorSpace = texture.colorSpace;
    scene.background = sky;
    scene.backgroundRotation.y = Math.PI;
    window.ktx2ColorSpace = texture.colorSpace;
  },
  // The panorama as an equirectangular background, turned as the README says.
  panorama: async (scene) => {
    const texture = await new THREE.TextureLoader().loadAsync('/sky-panorama.png');
    texture.mapping = THREE.EquirectangularReflectionMapping;
    texture.colorSpace = THREE.SRGBColorSpace;
    scene.background = texture;
    scene.backgroundRotation.y = Math.PI / 2;
  },
  dds: async (scene) => {
    const texture = await new DDSLoader().loadAsync('/sky.dds');
    const sky = cube(texture.image.map((face) => face.mipmaps[0]), texture.format);
    sky.colorSpace = THREE.SRGBColorSpace;
    scene.background = sky;
    scene.backgroundRotation.y = Math.PI;
  },
};

window.look = async (kind, views) => {
  const scene = new THREE.Scene();
  await backgrounds[kind](scene);
  const seen = [];
  for (const [heading, pitch] of views) {
    camera.rotation.set(pitch * Math.PI / 180, -heading * Math.PI / 180, 0, 'YXZ');
    renderer.render(scene, camera);
    seen.push(centre());
  }
  return seen;
};

function centre() {
  const pixels = new Uint8Array(8 * 8 * 4);
  gl.readPixels(${Size / 2 - 4}, ${Size / 2 - 4}, 8, 8, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
  const mean = [0, 0, 0];
  for (let i = 0; i < pixels.length; i += 4) for (let c = 0; c < 3; ++c) mean[c] += pixels[i + c] / 64;
  return mean;
}
window.ready = true;
</script></body></html>`;

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
try {
  const page = await browser.newPage({ viewport: { width: Size, height: Size } });
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  const print = (source, seen, views = Views) => seen.forEach((mean, i) =>
    console.log(`${source} ${views[i][0]} ${views[i][1]} ${mean.map((c) => c.toFixed(2)).join(' ')}`));

  await page.goto(`${origin}/preview.html`);
  await page.evaluate(() => window.vantorixReady);
  print('preview', await page.evaluate(([views, field]) => views.map(([heading, pitch]) => {
    VantorixPreview.look(heading, pitch, field);
    return VantorixPreview.centreColour(8);
  }), [Views, Field]));
  const seenAbove = Math.atan(Math.tan(LevelField / 2 * Math.PI / 180) * LevelAbove / (Size / 2)) * 180 / Math.PI;
  print('preview-level', await page.evaluate(([views, field, above]) => views.map(([heading, pitch]) => {
    VantorixPreview.look(heading, pitch, field);
    return VantorixPreview.centreColour(8, above);
  }), [LevelViews, LevelField, LevelAbove]), LevelViews.map(([heading]) => [heading, seenAbove.toFixed(4)]));
  const aimed = LevelViews.map(([heading]) => [heading, seenAbove]);
  print('preview-aimed', await page.evaluate(([views, field]) => views.map(([heading, pitch]) => {
    VantorixPreview.look(heading, pitch, field);
    return VantorixPreview.centreColour(8);
  }), [aimed, LevelField]), LevelViews.map(([heading]) => [heading, seenAbove.toFixed(4)]));

  await page.route(`${origin}/harness.html`, (route) => route.fulfill({ contentType: 'text/html', body: harness }));
  await page.goto(`${origin}/harness.html`);
  await page.waitForFunction(() => window.ready === true);
  for (const kind of ['three', 'ktx2', 'dds', 'panorama']) print(kind, await page.evaluate(([k, v]) => window.look(k, v), [kind, Views]));
  console.log(`ktx2Loader colorSpace=${await page.evaluate(() => window.ktx2ColorSpace)}`);
  if (problems.length > 0) console.log(`page-errors ${problems.join(' | ')}`);
} finally {
  await browser.close();
  server.close();
}

// ktx-parse, the Khronos group's reader, on the same file: header, levels,
// descriptor, and each face's mean colour at the largest level.
const { read } = await import(path.join(path.resolve(modules), 'ktx-parse/dist/index.mjs'));
const container = read(new Uint8Array(readFileSync(path.join(folder, 'sky.ktx2'))));
const descriptor = container.dataFormatDescriptor[0];
console.log(`ktx-parse vkFormat=${container.vkFormat} width=${container.pixelWidth} height=${container.pixelHeight} ` +
  `faces=${container.faceCount} levels=${container.levels.length} supercompression=${container.supercompressionScheme} ` +
  `transfer=${descriptor.transferFunction} writer=${(container.keyValue.KTXwriter || '').split(' ')[0]}`);
const level = container.levels[0].levelData, faceBytes = level.length / 6;
for (let face = 0; face < 6; ++face) {
  const mean = [0, 0, 0];
  for (let i = face * faceBytes; i < (face + 1) * faceBytes; i += 4) for (let c = 0; c < 3; ++c) mean[c] += level[i + c] / (faceBytes / 4);
  console.log(`ktx-parse-face ${face} ${mean.map((c) => c.toFixed(2)).join(' ')}`);
}
