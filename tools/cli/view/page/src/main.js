// The page of `mirav-cli view`: draws the frames the local server sends over a WebSocket. It asks
// for the next frame only after drawing one, so it always gets the newest frame at the display
// rate and never a backlog.
import * as THREE from 'three';
import { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';
import { CSS2DRenderer, CSS2DObject } from 'three/examples/jsm/renderers/CSS2DRenderer.js';

const COLORS = { set: 0x58a6ff, labeled: 0xffffff, unlabeled: 0x8b949e, bone: 0xf0883e,
                 plate: 0x3fb950, force: 0xff7b72 };
const el = (id) => document.getElementById(id);

const host = el('scene');
const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(window.devicePixelRatio || 1);
renderer.setClearColor(0x15181d);
host.appendChild(renderer.domElement);
const labels = new CSS2DRenderer();
labels.domElement.style.position = 'absolute';
labels.domElement.style.top = '0';
labels.domElement.style.pointerEvents = 'none';
host.appendChild(labels.domElement);

const scene = new THREE.Scene();
const camera = new THREE.PerspectiveCamera(50, 1, 0.001, 1e6);
const controls = new OrbitControls(camera, renderer.domElement);
// The lab's frame: its z (or y) axis up. Everything from the stream hangs under `world`.
const world = new THREE.Group();
scene.add(world);
scene.add(new THREE.AmbientLight(0xffffff, 1));

const state = { zUp: true, paused: false, units: '', fitted: false, framesDrawn: 0, lastFrame: null,
                sceneInfo: null, selected: '', socket: null, scale: 1, replay: false };

function pointsObject(color, size) {
  const geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position', new THREE.Float32BufferAttribute([], 3));
  const material = new THREE.PointsMaterial({ color, size, sizeAttenuation: false });
  const points = new THREE.Points(geometry, material);
  points.frustumCulled = false;
  world.add(points);
  return points;
}
const setPoints = pointsObject(COLORS.set, 9);
const labeledPoints = pointsObject(COLORS.labeled, 7);
const unlabeledPoints = pointsObject(COLORS.unlabeled, 5);
const bones = new THREE.LineSegments(new THREE.BufferGeometry(),
                                     new THREE.LineBasicMaterial({ color: COLORS.bone }));
bones.frustumCulled = false;
world.add(bones);
const bodies = new Map();  // id -> { axes, label }
const plates = new THREE.Group();
world.add(plates);
const forces = new THREE.Group();
world.add(forces);
let grid = null;

function setPositions(points, list) {
  const flat = new Float32Array(list.length * 3);
  list.forEach((p, i) => flat.set(p, i * 3));
  points.geometry.setAttribute('position', new THREE.BufferAttribute(flat, 3));
}

function applyUp() {
  world.rotation.set(state.zUp ? -Math.PI / 2 : 0, 0, 0);
  el('up').textContent = state.zUp ? 'z up' : 'y up';
  el('units').textContent = `${state.units || '?'}, ${state.zUp ? 'z' : 'y'}`;
}

// Scene scale from the first frame: the floor grid and the camera fit what is there.
function fitView(frame) {
  const all = [...frame.labeled, ...frame.unlabeled, ...frame.bodies.map((b) => b.p)];
  frame.sets.forEach((s) => all.push(...s.markers));
  frame.skeletons.forEach((s) => s.bones.forEach((b) => all.push(b.p)));
  const valid = all.filter((p) => p && (p[0] || p[1] || p[2]));
  if (valid.length === 0) return;
  const box = new THREE.Box3();
  valid.forEach((p) => box.expandByPoint(new THREE.Vector3(...p)));
  const size = Math.max(box.getSize(new THREE.Vector3()).length(), 1e-3);
  state.scale = size;
  const centre = box.getCenter(new THREE.Vector3());
  world.updateMatrixWorld();
  const target = centre.clone().applyMatrix4(world.matrixWorld);
  const step = Math.pow(10, Math.round(Math.log10(size / 4)));
  if (grid) scene.remove(grid);
  grid = new THREE.GridHelper(step * 20, 20, 0x6e7681, 0x30363d);
  scene.add(grid);
  if (!state.labAxes) {
    state.labAxes = new THREE.AxesHelper(step);
    world.add(state.labAxes);
  }
  controls.target.copy(target);
  camera.position.copy(target).add(new THREE.Vector3(size * 1.2, size * 0.9, size * 1.2));
  camera.near = size / 1000;
  camera.far = size * 1000;
  camera.updateProjectionMatrix();
  controls.update();
  state.fitted = true;
}

function bodyObject(id, name) {
  let entry = bodies.get(id);
  if (!entry) {
    const axes = new THREE.AxesHelper(1);
    const tag = document.createElement('div');
    tag.className = 'label';
    tag.textContent = name || `body ${id}`;
    const label = new CSS2DObject(tag);
    axes.add(label);
    world.add(axes);
    entry = { axes, label };
    bodies.set(id, entry);
    const option = document.createElement('option');
    option.value = `body:${id}`;
    option.textContent = name || `body ${id}`;
    el('body').appendChild(option);
  }
  return entry;
}

function drawBodies(frame) {
  const seen = new Set();
  for (const b of frame.bodies) {
    const entry = bodyObject(b.id, b.name);
    entry.axes.visible = b.tracked;
    entry.axes.position.set(...b.p);
    entry.axes.quaternion.set(...b.q);
    entry.axes.scale.setScalar(state.scale / 15);
    seen.add(b.id);
  }
  for (const [id, entry] of bodies) if (!seen.has(id)) entry.axes.visible = false;
}

function drawSkeletons(frame) {
  const info = (state.sceneInfo && state.sceneInfo.skeletons) || {};
  const segments = [];
  for (const s of frame.skeletons) {
    const parents = (info[s.id] && info[s.id].parents) || {};
    const where = new Map(s.bones.map((b) => [b.id, b.p]));
    for (const b of s.bones) {
      const parent = where.get(parents[b.id]);
      if (parent) segments.push(...parent, ...b.p);
    }
  }
  bones.geometry.setAttribute('position', new THREE.Float32BufferAttribute(segments, 3));
}

function drawPlates(info) {
  plates.clear();
  for (const p of info.plates || []) {
    const geometry = new THREE.BufferGeometry().setFromPoints(
        p.corners.map((c) => new THREE.Vector3(...c)));
    plates.add(new THREE.LineLoop(geometry, new THREE.LineBasicMaterial({ color: COLORS.plate })));
  }
}

function drawForces(frame) {
  forces.clear();
  for (const f of frame.forces || []) {
    const v = new THREE.Vector3(...f.f);
    const length = v.length();
    if (!(length > 1e-6)) continue;
    // Drawn at a scale where body weight (about 700 N) is a third of the scene.
    const shown = (length / 700) * state.scale / 3;
    forces.add(new THREE.ArrowHelper(v.normalize(), new THREE.Vector3(...f.cop), shown,
                                     COLORS.force));
  }
}

const fmt = (v) => (typeof v === 'number' ? v.toFixed(3) : '-');
function showSelected(frame) {
  const [kind, id] = state.selected.split(':');
  let text = '';
  if (kind === 'body') {
    const b = frame.bodies.find((x) => String(x.id) === id);
    if (b) {
      text = `${b.name || 'body ' + b.id}${b.tracked ? '' : ' (not tracked)'}\n` +
             `position ${b.p.map(fmt).join(' ')}\norientation ${b.q.map(fmt).join(' ')}\n` +
             `mean error ${fmt(b.error)}`;
    }
  }
  el('selected').textContent = text;
}

function showStatus(frame) {
  const s = frame.status || {};
  const stateCell = el('state');
  stateCell.textContent = s.state || '-';
  stateCell.className = `value state-${s.state || 'closed'}`;
  el('frame').textContent = frame.frame;
  el('rate').textContent = s.rate != null ? `${s.rate.toFixed(1)} Hz` : '-';
  el('latency').textContent = frame.latency != null ? `${frame.latency.toFixed(1)} ms` : '-';
  el('drawn').textContent = state.framesDrawn;
  el('missing').textContent = s.missing ?? '-';
  el('malformed').textContent = s.malformed ?? '-';
  el('incomplete').textContent = s.incomplete ?? '-';
  el('kernelDrops').textContent = s.kernelDrops ?? '-';
  el('skipped').textContent = s.skipped ?? '-';
  if (frame.replay) {
    const seek = el('seek');
    seek.max = String(Math.max(0, frame.replay.count - 1));
    if (document.activeElement !== seek) seek.value = String(frame.replay.index);
    el('pause').textContent = frame.replay.playing ? 'pause' : 'play';
  }
}

function drawFrame(frame) {
  if (!state.fitted) fitView(frame);
  const setMarkers = [];
  frame.sets.forEach((s) => s.markers.forEach((p) => { if (p[0] || p[1] || p[2]) setMarkers.push(p); }));
  setPositions(setPoints, setMarkers);
  setPositions(labeledPoints, frame.labeled);
  setPositions(unlabeledPoints, frame.unlabeled);
  drawBodies(frame);
  drawSkeletons(frame);
  drawForces(frame);
  state.lastFrame = frame;
  state.framesDrawn += 1;
  showStatus(frame);
  showSelected(frame);
}

function resize() {
  const w = window.innerWidth, h = window.innerHeight;
  renderer.setSize(w, h);
  labels.setSize(w, h);
  camera.aspect = w / Math.max(h, 1);
  camera.updateProjectionMatrix();
}
window.addEventListener('resize', resize);
resize();

let pending = null;  // the newest frame not yet drawn
function render() {
  if (pending) {
    drawFrame(pending);
    pending = null;
    if (!state.paused || state.replay) send('next');
  }
  controls.update();
  renderer.render(scene, camera);
  labels.render(scene, camera);
  requestAnimationFrame(render);
}

function send(text) {
  if (state.socket && state.socket.readyState === WebSocket.OPEN) state.socket.send(text);
}

function connect() {
  const socket = new WebSocket(`ws://${location.host}/stream`);
  state.socket = socket;
  socket.onopen = () => send('next');
  socket.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.type === 'scene') {
      state.sceneInfo = message;
      state.units = message.units;
      state.replay = message.source === 'replay';
      el('replay').hidden = !state.replay;
      drawPlates(message);
      applyUp();
    } else if (message.type === 'frame') {
      pending = message;
    }
  };
  socket.onclose = (event) => {
    el('state').textContent = 'closed';
    el('state').className = 'value state-closed';
  };
}

el('pause').onclick = () => {
  if (state.replay) {
    const playing = el('pause').textContent === 'pause';
    send(playing ? 'pause' : 'play');
    return;
  }
  state.paused = !state.paused;
  el('pause').textContent = state.paused ? 'resume' : 'pause';
  if (!state.paused) send('next');
};
el('up').onclick = () => { state.zUp = !state.zUp; applyUp(); state.fitted = false; };
el('body').onchange = (e) => { state.selected = e.target.value; };
el('seek').oninput = (e) => send(`seek ${e.target.value}`);

// For tests and the curious: what was drawn last, and where a point lands on the screen.
window.miravView = {
  get framesDrawn() { return state.framesDrawn; },
  get lastFrame() { return state.lastFrame; },
  screenPoint(p) {
    world.updateMatrixWorld();
    const v = new THREE.Vector3(...p).applyMatrix4(world.matrixWorld).project(camera);
    return [(v.x + 1) / 2 * window.innerWidth, (1 - v.y) / 2 * window.innerHeight];
  },
};

applyUp();
connect();
requestAnimationFrame(render);
