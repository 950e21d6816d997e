// The command-line tool built natively: what the page must equal.
import { spawnSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { readBmp24 } from './bmp.js';
import { settingsPath, simPath } from './paths.js';

function sim(args, options = {}) {
  const result = spawnSync(simPath, args, { encoding: 'utf8', maxBuffer: 256 * 1024 * 1024, ...options });
  if (result.error) {
    throw new Error(`cannot run ${simPath} (make test-web builds it): ${result.error.message}`);
  }
  return result;
}

function simOk(args, options) {
  const result = sim(args, options);
  if (result.status !== 0) {
    throw new Error(`ormakin-sim ${args.join(' ')} failed (${result.status}): ${result.stderr}`);
  }
  return result.stdout;
}

// The summary line of `ormakin-sim run COURSE --ticks N` with the bundled
// settings, or with those at `settings`.
export function runSummary(course, ticks, settings = settingsPath) {
  return simOk(['run', course, '--settings', settings, '--ticks', String(ticks)]).trimEnd();
}

// The frame at that tick, as `run --frame` draws it (the whole course).
export function runFrame(course, ticks, dir) {
  const file = join(dir, `frame-${ticks}.bmp`);
  simOk(['run', course, '--settings', settingsPath, '--ticks', String(ticks), '--frame', file]);
  return readBmp24(readFileSync(file));
}

// `ormakin-sim sweep COURSE` on one job with the default options: what it
// prints, and its map (and the map's BMP file as it is).
export function sweep(course, dir) {
  const map = join(dir, 'sweep-map.bmp');
  const text = simOk(['sweep', course, '--settings', settingsPath, '--jobs', '1', '--map', map]);
  const mapFile = readFileSync(map);
  return { text, map: readBmp24(mapFile), mapFile };
}

// The findings `ormakin-sim lint` reports for a settings text saved as
// ormakin.ini (its lines "ormakin.ini:LINE: message").
export function lintFindings(text, dir) {
  writeFileSync(join(dir, 'ormakin.ini'), text);
  const result = sim(['lint', 'ormakin.ini'], { cwd: dir });
  return result.stdout.split('\n').filter((line) => /^ormakin\.ini:\d+: /.test(line));
}

// What the tool reports when it cannot open COURSE, or cannot build the car
// from the settings at `settings`: the text of the box the window shows for
// it.
export function simFailure(course, settings = settingsPath) {
  const result = sim(['run', course, '--settings', settings, '--ticks', '0']);
  if (result.status === 0) {
    throw new Error(`ormakin-sim opened ${course}`);
  }
  return result.stderr.trimEnd();
}

// `ormakin-sim tune COURSE... --evaluations N --seed S` with the bundled
// settings, on one job: its first line ("evaluations=... score=..."), and
// the tuned settings file without its comments.
export function tune(courses, evaluations, seed, dir) {
  const out = join(dir, 'tuned.ini');
  const args = ['tune', ...courses, '--settings', settingsPath, '--evaluations', String(evaluations)];
  const text = simOk([...args, '--seed', String(seed), '--jobs', '1', '--out', out]);
  return { line: text.split('\n')[0], rules: withoutComments(readFileSync(out, 'utf8')) };
}

// A settings text without its comment lines.
export function withoutComments(text) {
  return text
    .split('\n')
    .filter((line) => !line.startsWith(';'))
    .join('\n');
}

// `ormakin-sim run COURSE --ticks N --trace - --rules` with the settings at
// `settings`: the trace's rows ({ tick, x, y, direction, mask, state }, the
// reals as the tool writes them), the rule table ({ count, mark } by state
// 1..20 and mask, mark ' ', 'E', 'N' or '.') and the stop line, if any.
export function runReport(course, ticks, settings = settingsPath) {
  const out = simOk(['run', course, '--settings', settings, '--ticks', String(ticks), '--trace', '-', '--rules']);
  const lines = out.split('\n');
  const rows = lines
    .filter((line) => /^\d+,/.test(line))
    .map((line) => {
      const [tick, x, y, direction, mask, state] = line.split(',');
      return { tick: Number(tick), x, y, direction, mask: Number(mask), state: Number(state) };
    });
  // The table's cells: a count right-aligned in `width` and a mark, each
  // after a space; the header's mask numbers give the width.
  const header = lines.findIndex((line) => line.startsWith('state'));
  const width = (lines[header].length - 5) / 8 - 2;
  const rules = [];
  for (let s = 1; s <= 20; ++s) {
    const line = lines[header + s];
    for (let m = 0; m < 8; ++m) {
      const cell = line.slice(5 + m * (width + 2) + 1, 5 + (m + 1) * (width + 2));
      const count = cell.slice(0, width).trim();
      rules.push(count === '.' ? { count: 0, mark: '.' } : { count: Number(count), mark: cell.at(-1) });
    }
  }
  return { rows, rules, stop: lines.find((line) => line.startsWith('stop: ')) ?? null };
}

// The picture `run --path` writes after that many ticks.
export function runPath(course, ticks, dir, settings = settingsPath) {
  const file = join(dir, `path-${ticks}.bmp`);
  simOk(['run', course, '--settings', settings, '--ticks', String(ticks), '--path', file]);
  return readBmp24(readFileSync(file));
}
