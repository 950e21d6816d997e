// Where the page tests find the repository, the built page and the tool.
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

export const repoRoot = resolve(dirname(fileURLToPath(import.meta.url)), '../../..');

// `make web` builds the page here; ORMAKIN_WEB_DIR points elsewhere.
export const webDir = process.env.ORMAKIN_WEB_DIR ?? join(repoRoot, 'build-web');

// The command-line tool built natively (`cmake --preset default`).
export const simPath = process.env.ORMAKIN_SIM ?? join(repoRoot, 'build', 'ormakin-sim');

export const coursesDir = join(repoRoot, 'examples', 'courses');
export const settingsPath = join(repoRoot, 'examples', 'ormakin.ini');

export function coursePath(name) {
  return join(coursesDir, name);
}
