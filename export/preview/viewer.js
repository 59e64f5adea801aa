// The look-around page: the sky as the background of a camera that the mouse
// turns (drag) and zooms (wheel). It starts facing north and shows where it
// looks. The faces are the cube map's, +X east, +Y up, +Z north.
import {
  BackSide, CubeTexture, Mesh, PerspectiveCamera, SRGBColorSpace, Scene, ShaderMaterial, SphereGeometry, WebGLRenderer,
} from 'three';

const Compass = ['N', 'NE', 'E', 'SE', 'S', 'SW', 'W', 'NW'];
const degrees = Math.PI / 180;

let renderer, scene, camera, label;
let heading = 0, pitch = 0;

function loadImage(source) {
  return new Promise((resolve, reject) => {
    const image = new Image();
    image.onload = () => resolve(image);
    image.onerror = () => reject(new Error('a face of the sky did not load'));
    image.src = source;
  });
}

function draw() {
  // The camera looks along -Z; heading turns it clockwise seen from above, pitch up.
  camera.rotation.set(pitch * degrees, -heading * degrees, 0, 'YXZ');
  renderer.render(scene, camera);
  const point = Compass[Math.round(((heading % 360) + 360) % 360 / 45) % 8];
  label.textContent = `Heading ${Math.round(((heading % 360) + 360) % 360)}\u00B0 ${point}` +
    `   Pitch ${Math.round(pitch)}\u00B0   Field ${Math.round(camera.fov)}\u00B0`;
}

// Turns the view to a heading (degrees clockwise from north) and a pitch (up).
export function look(newHeading, newPitch, fieldOfView) {
  heading = newHeading;
  pitch = Math.max(-90, Math.min(90, newPitch));
  if (fieldOfView !== undefined) {
    camera.fov = fieldOfView;
    camera.updateProjectionMatrix();
  }
  draw();
}

// The mean colour, red, green and blue, of the square of `size` pixels at the
// view's centre, or `above` pixels above it.
export function centreColour(size, above = 0) {
  const gl = renderer.getContext();
  const width = gl.drawingBufferWidth, height = gl.drawingBufferHeight;
  const pixels = new Uint8Array(size * size * 4);
  gl.readPixels(Math.floor((width - size) / 2), Math.floor((height - size) / 2) + above, size, size, gl.RGBA,
                gl.UNSIGNED_BYTE, pixels);
  const mean = [0, 0, 0];
  for (let i = 0; i < pixels.length; i += 4) for (let c = 0; c < 3; ++c) mean[c] += pixels[i + c] / (size * size);
  return mean;
}

export async function start(faceSources, canvasParent, headingLabel) {
  const faces = await Promise.all(faceSources.map(loadImage));
  renderer = new WebGLRenderer({ antialias: false, preserveDrawingBuffer: true });
  renderer.setPixelRatio(window.devicePixelRatio);
  canvasParent.appendChild(renderer.domElement);
  scene = new Scene();
  const sky = new CubeTexture(faces);
  sky.colorSpace = SRGBColorSpace;
  sky.needsUpdate = true;
  // A sphere round the camera, not the background's box: a box whose corners
  // lie in the camera's plane (a level view every 45 degrees) breaks under
  // software WebGL; a sphere has no corners. Each fragment looks the sky up
  // in its own direction: north along -Z, ahead of the camera; east along +X.
  scene.add(new Mesh(new SphereGeometry(5, 64, 32), new ShaderMaterial({
    uniforms: { sky: { value: sky } },
    vertexShader: `
      varying vec3 direction;
      void main() {
        direction = position;
        gl_Position = projectionMatrix * modelViewMatrix * vec4(position, 1.0);
      }`,
    fragmentShader: `
      uniform samplerCube sky;
      varying vec3 direction;
      void main() {
        gl_FragColor = textureCube(sky, vec3(direction.x, direction.y, -direction.z));
        #include <colorspace_fragment>
      }`,
    side: BackSide,
    depthWrite: false,
  })));
  camera = new PerspectiveCamera(75, 1, 0.1, 10);
  label = headingLabel;

  const fit = () => {
    renderer.setSize(window.innerWidth, window.innerHeight);
    camera.aspect = window.innerWidth / window.innerHeight;
    camera.updateProjectionMatrix();
    draw();
  };
  window.addEventListener('resize', fit);

  let dragging = null;
  const canvas = renderer.domElement;
  canvas.addEventListener('pointerdown', (event) => {
    dragging = { x: event.clientX, y: event.clientY, heading, pitch };
    canvas.setPointerCapture(event.pointerId);
  });
  canvas.addEventListener('pointermove', (event) => {
    if (!dragging) return;
    // The sky follows the pointer: a drag across the window turns the view by its field.
    const perPixel = camera.fov / window.innerHeight;
    look(dragging.heading - (event.clientX - dragging.x) * perPixel, dragging.pitch + (event.clientY - dragging.y) * perPixel);
  });
  canvas.addEventListener('pointerup', () => { dragging = null; });
  canvas.addEventListener('wheel', (event) => {
    event.preventDefault();
    camera.fov = Math.max(10, Math.min(110, camera.fov * Math.exp(event.deltaY * 0.001)));
    camera.updateProjectionMatrix();
    draw();
  }, { passive: false });
  fit();
}
