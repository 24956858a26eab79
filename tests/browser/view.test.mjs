// mirav-cli view in headless Chromium against mirav-sim: the page loads, its frame counter
// advances, the frame it draws carries the values the stream carries, and a screenshot shows
// the markers where the page projects them.
// Usage: node view.test.mjs MIRAV_SIM MIRAV_CLI [SCREENSHOT.png]
// Exits 77 (skipped) when Chromium, playwright-core or the built page is missing.
import { spawn } from 'node:child_process';
import { existsSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { request as httpRequest } from 'node:http';
import { inflateSync } from 'node:zlib';

const [simProgram, cliProgram, screenshotPath] = process.argv.slice(2);
const chromiumPath = process.env.MIRAV_CHROMIUM || '/usr/bin/chromium';
const modules = process.env.MIRAV_BROWSER_MODULES || '';
const SKIP = 77;
const BACKGROUND = [0x15, 0x18, 0x1d];

function skip(reason) {
  console.log(`SKIPPED: ${reason}`);
  children.forEach((c) => c.kill('SIGKILL'));
  process.exit(SKIP);
}

function check(condition, message) {
  if (!condition) throw new Error(message);
}

const children = [];
// Starts a program and resolves with it once a line of its output matches.
function start(program, args, ready) {
  const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  children.push(child);
  child.output = '';
  child.errors = '';
  child.stderr.on('data', (d) => { child.errors += d; });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`${program} did not start: ${child.errors}`)),
                             30000);
    child.stdout.on('data', (d) => {
      child.output += d;
      const match = ready && child.output.match(ready);
      if (match) {
        clearTimeout(timer);
        resolve({ child, match });
      }
    });
    if (!ready) {
      clearTimeout(timer);
      resolve({ child, match: null });
    }
    child.on('exit', (code) => {
      clearTimeout(timer);
      if (!ready) return;
      reject(Object.assign(new Error(`${program} exited with ${code}: ${child.errors}`),
                           { code, errors: child.errors }));
    });
  });
}

function finished(child) {
  return new Promise((resolve) => {
    if (child.exitCode !== null) resolve(child.exitCode);
    else child.on('exit', (code) => resolve(code));
  });
}

// A PNG as RGBA rows (8-bit RGB or RGBA, not interlaced: what Chromium writes).
function decodePng(png) {
  let at = 8, width = 0, height = 0, channels = 0;
  const data = [];
  while (at < png.length) {
    const length = png.readUInt32BE(at);
    const type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      check(body[8] === 8 && body[12] === 0, 'unexpected PNG format');
      channels = body[9] === 6 ? 4 : body[9] === 2 ? 3 : 0;
      check(channels > 0, 'unexpected PNG colour type');
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(height * stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? pixels[y * stride + x - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? pixels[(y - 1) * stride + x - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = a;
      else if (filter === 2) predictor = b;
      else if (filter === 3) predictor = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      pixels[y * stride + x] = (line[x] + predictor) & 0xff;
    }
  }
  return { width, height, pixel: (x, y) => [...pixels.subarray(y * stride + x * channels,
                                                               y * stride + x * channels + 3)] };
}

// Asks the view's server for a WebSocket from the given page origin; resolves with the HTTP
// status it answers (101 when it accepts), or 0 when it closes the connection.
function upgradeStatus(url, origin) {
  return new Promise((resolve) => {
    const key = Buffer.from('0123456789abcdef').toString('base64');
    const req = httpRequest(`${url}stream`, {
      headers: { Connection: 'Upgrade', Upgrade: 'websocket', 'Sec-WebSocket-Version': '13',
                 'Sec-WebSocket-Key': key, Origin: origin },
    });
    req.on('upgrade', (res, socket) => { socket.destroy(); resolve(res.statusCode); });
    req.on('response', (res) => { res.resume(); resolve(res.statusCode); });
    req.on('error', () => resolve(0));
    req.setTimeout(5000, () => { req.destroy(); resolve(0); });
    req.end();
  });
}

function nearBackground(rgb) {
  return rgb.every((v, i) => Math.abs(v - BACKGROUND[i]) <= 12);
}

async function main() {
  if (!existsSync(chromiumPath)) skip(`no Chromium at ${chromiumPath}`);
  let chromium;
  try {
    chromium = createRequire(`${modules}/`)('playwright-core').chromium;
  } catch {
    skip(`playwright-core is not installed in ${modules} (the build installs it when npm can)`);
  }

  // Only one client of a unicast stream can run on a machine (they share the data port), so
  // the stream the page is compared with comes from a recording replayed twice: every client
  // of mirav-sim --replay gets it from the start, with the recorded frame numbers.
  const recording = `${process.env.TMPDIR || '/tmp'}/mirav_view_test_${process.pid}.mcap`;
  const live = await start(simProgram, ['--rate', '100', '--duration', '30'], /mirav-sim: serving/);
  const recorder = await start(cliProgram, ['record', '127.0.0.1', recording, '--duration', '5']);
  check((await finished(recorder.child)) === 0, `mirav-cli record failed: ${recorder.child.errors}`);
  const recordedFrames = Number((recorder.child.output.match(/\((\d+) frames\)/) || [])[1]);
  check(recordedFrames > 100, `only ${recordedFrames} frames recorded`);
  live.child.kill('SIGINT');
  await finished(live.child);
  await start(simProgram, ['--replay', recording, '--loop', '--duration', '60'],
              /mirav-sim: serving/);
  // Counted in frames, not seconds: a slow (sanitizer) run still sees one whole play-through.
  const streamed = await start(cliProgram, ['stream', '127.0.0.1', '--json', '--frames',
                                            String(recordedFrames), '--duration', '30']);
  check((await finished(streamed.child)) === 0, `mirav-cli stream failed: ${streamed.child.errors}`);
  const lines = streamed.child.output.split('\n').filter((l) => l.trim()).map((l) => JSON.parse(l));
  check(lines.length > 50, `only ${lines.length} frames streamed`);

  let view;
  try {
    view = await start(cliProgram, ['view', '127.0.0.1', '--port', '0', '--duration', '60'],
                       /serving (http:\/\/[0-9.]+:[0-9]+\/)/);
  } catch (e) {
    if (/page was not built/.test(e.errors || '')) skip('the page of mirav-cli view was not built');
    throw e;
  }
  const url = view.match[1];

  const browser = await chromium.launch({
    executablePath: chromiumPath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = await browser.newPage({ viewport: { width: 960, height: 600 } });
    await page.goto(url);
    await page.waitForFunction(() => window.miravView && window.miravView.framesDrawn > 5,
                               null, { timeout: 20000 });
    const first = Number(await page.textContent('#frame'));
    await page.waitForTimeout(700);
    const later = Number(await page.textContent('#frame'));
    check(later > first, `the frame counter did not advance (${first} -> ${later})`);
    check((await page.textContent('#state')) === 'streaming', 'the panel does not say streaming');

    // Hold the picture still, then look at it.
    await page.click('#pause');
    await page.waitForTimeout(300);
    const drawn = await page.evaluate(() => {
      const f = window.miravView.lastFrame;
      const points = [...f.labeled];
      f.sets.forEach((s) => points.push(...s.markers));
      return { frame: f.frame, body: f.bodies[0],
               screen: points.map((p) => window.miravView.screenPoint(p)) };
    });
    const png = await page.screenshot({ type: 'png' });
    if (screenshotPath) writeFileSync(screenshotPath, png);
    const image = decodePng(png);
    let seen = 0, inside = 0;
    for (const [sx, sy] of drawn.screen) {
      const x0 = Math.round(sx), y0 = Math.round(sy);
      if (x0 < 3 || y0 < 3 || x0 >= image.width - 3 || y0 >= image.height - 3) continue;
      ++inside;
      let hit = false;
      for (let dy = -2; dy <= 2 && !hit; ++dy) {
        for (let dx = -2; dx <= 2 && !hit; ++dx) hit = !nearBackground(image.pixel(x0 + dx, y0 + dy));
      }
      if (hit) ++seen;
    }
    check(inside >= 4, `only ${inside} markers fall inside the picture`);
    check(seen === inside, `${inside - seen} of ${inside} markers are not on the screenshot`);

    const same = lines.find((l) => l.frame === drawn.frame);
    check(same, `frame ${drawn.frame} drawn by the page is not among the ${lines.length} streamed`);
    const body = same.rigidBodies.find((b) => b.id === drawn.body.id);
    check(body, `rigid body ${drawn.body.id} missing from the stream`);
    body.position.forEach((v, i) => check(Math.abs(v - drawn.body.p[i]) < 1e-6,
                                          `position ${i}: page ${drawn.body.p[i]}, stream ${v}`));
    check(drawn.body.name === body.name, `name: page ${drawn.body.name}, stream ${body.name}`);
    console.log(`page drew frame ${drawn.frame}; ${seen} markers on the screenshot; ` +
                `${lines.length} frames in the stream`);
    await page.close();

    // The same recording in the view's own player: paused, seek, play.
    const replay = await start(cliProgram, ['view', '--replay', recording, '--paused', '--port',
                                            '0', '--duration', '60'],
                               /serving (http:\/\/[0-9.]+:[0-9]+\/)/);
    const host = new URL(replay.match[1]).host;
    check((await upgradeStatus(replay.match[1], `http://${host}`)) === 101,
          'the view refuses a WebSocket from its own page');
    check((await upgradeStatus(replay.match[1], 'http://elsewhere.example')) !== 101,
          'the view accepts a WebSocket from another site');
    const player = await browser.newPage({ viewport: { width: 960, height: 600 } });
    await player.goto(replay.match[1]);
    await player.waitForFunction(() => window.miravView && window.miravView.framesDrawn > 0,
                                 null, { timeout: 20000 });
    const frameNow = () => player.evaluate(() => window.miravView.lastFrame.frame);
    const seek = async (index) => {
      await player.evaluate((i) => {
        const bar = document.getElementById('seek');
        bar.value = String(i);
        bar.dispatchEvent(new Event('input'));
      }, index);
      await player.waitForTimeout(400);
      return frameNow();
    };
    const paused = await frameNow();
    await player.waitForTimeout(500);
    check((await frameNow()) === paused, 'a paused replay moved on');
    check((await player.textContent('#state')) === 'paused', 'the panel does not say paused');
    const at100 = await seek(100);
    const shown = await player.evaluate(() => window.miravView.lastFrame.bodies[0]);
    const at0 = await seek(0);
    check(at0 === paused, `seek 0 shows frame ${at0}, the first frame is ${paused}`);
    check(at100 - at0 >= 100 && at100 - at0 <= 110,
          `seek 100 shows frame ${at100}, ${at100 - at0} after the first`);
    const recorded = lines.find((l) => l.frame === at100);
    if (recorded) {
      const body = recorded.rigidBodies.find((b) => b.id === shown.id);
      body.position.forEach((v, i) => check(Math.abs(v - shown.p[i]) < 1e-6,
                                            `replayed position ${i} differs from the stream`));
    }
    await player.click('#pause');  // play
    await player.waitForTimeout(600);
    check((await frameNow()) > at0 + 20, 'the replay does not play');
    console.log(`replay: paused on ${paused}, seek 100 -> ${at100}, plays`);
  } finally {
    await browser.close();
  }
}

// Stops every program the test started and waits for them, so the ports are free for the next
// test when this one ends.
async function stopChildren() {
  const running = children.filter((c) => c.exitCode === null && c.signalCode === null);
  running.forEach((c) => c.kill('SIGINT'));
  const killer = setTimeout(() => running.forEach((c) => c.kill('SIGKILL')), 10000);
  await Promise.all(running.map(finished));
  clearTimeout(killer);
}

main().then(async () => {
  await stopChildren();
  process.exit(0);
}, async (error) => {
  console.error(`FAILED: ${error.message}`);
  await stopChildren();
  process.exit(1);
});
