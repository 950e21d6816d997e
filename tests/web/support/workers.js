// The page's workers, as a test steers them.

// From now on the first answer of each round of `kind` tasks is held back
// until another worker has answered and been given no new task, which
// happens once every task of the round is handed out; the next round begins
// with the next task asked for after that. The page must take the answers
// in task order all the same.
export async function holdFirstAnswers(session, kind) {
  await session.page.evaluate((task) => {
    const handler = (window.__realOnmessage ??= Object.getOwnPropertyDescriptor(Worker.prototype, 'onmessage'));
    const post = Worker.prototype.postMessage;
    let asked = 0;
    let armed = true; // the next answer is the round's first
    let released = false;
    Worker.prototype.postMessage = function (data, ...rest) {
      if (data?.kind === task) {
        ++asked;
        armed ||= released;
        released = false;
      }
      return post.call(this, data, ...rest);
    };
    let held = null;
    Object.defineProperty(Worker.prototype, 'onmessage', {
      configurable: true,
      get() {
        return handler.get.call(this);
      },
      set(listener) {
        handler.set.call(this, (event) => {
          if (!event.data?.bytes) {
            listener(event);
          } else if (armed) {
            armed = false;
            held = () => listener(event);
          } else {
            const before = asked;
            listener(event);
            setTimeout(() => {
              if (asked !== before || held === null) return;
              const release = held;
              held = null;
              released = true;
              release();
            }, 0);
          }
        });
      },
    });
  }, kind);
}

// From now on the `nth` (counting from 1, a list) worker given a `kind`
// task (a study's beginning) is handed, in place of each course, one whose
// header claims 20000 x 20000 pixels: more than an instance may hold. An
// empty list ends it.
export async function failWorkers(session, kind, nth) {
  await session.page.evaluate(
    (task, which) => {
      const post = (window.__realPost ??= Worker.prototype.postMessage);
      let begun = 0;
      Worker.prototype.postMessage = function (data, ...rest) {
        if (data?.kind === task && which.includes(++begun)) {
          const huge = new Uint8Array(54);
          const view = new DataView(huge.buffer);
          huge.set([0x42, 0x4d]);
          view.setUint32(10, 54, true);
          view.setUint32(14, 40, true);
          view.setInt32(18, 20000, true);
          view.setInt32(22, 20000, true);
          view.setUint16(26, 1, true);
          view.setUint16(28, 24, true);
          data = { ...data };
          if ('course' in data) data.course = huge;
          if ('courses' in data) data.courses = data.courses.map(() => huge);
        }
        return post.call(this, data, ...rest);
      };
    },
    kind,
    nth,
  );
}

// From now on the `nth` (counting from 1) `kind` task handed to any worker
// asks for a range of -1 tasks, which the worker answers with a failure; 0
// ends it. It replaces what failWorkers set.
export async function failRun(session, kind, nth) {
  await session.page.evaluate(
    (task, which) => {
      const post = (window.__realPost ??= Worker.prototype.postMessage);
      let asked = 0;
      Worker.prototype.postMessage = function (data, ...rest) {
        if (data?.kind === task && ++asked === which) data = { ...data, count: -1 };
        return post.call(this, data, ...rest);
      };
    },
    kind,
    nth,
  );
}

// From now on the last worker handed a `kind` task is kept, for
// askKeptWorker.
export async function keepWorker(session, kind) {
  await session.page.evaluate((task) => {
    const post = (window.__realPost ??= Worker.prototype.postMessage);
    Worker.prototype.postMessage = function (data, ...rest) {
      if (data?.kind === task) window.__keptWorker = this;
      return post.call(this, data, ...rest);
    };
  }, kind);
}

// Posts `messages` to the worker keepWorker kept, with no study under way,
// and returns its first `count` answers as { batch, dropped, bytes } (bytes
// as an array), as they come, past what holdFirstAnswers does. The page's
// next study takes the worker back.
export async function askKeptWorker(session, messages, count) {
  return session.page.evaluate(
    (list, n) =>
      new Promise((resolve) => {
        const worker = window.__keptWorker;
        const answers = [];
        const handler = window.__realOnmessage ?? Object.getOwnPropertyDescriptor(Worker.prototype, 'onmessage');
        handler.set.call(worker, ({ data }) => {
          answers.push({ batch: data.batch, dropped: data.dropped ?? false, bytes: data.bytes ? [...data.bytes] : null });
          if (answers.length === n) resolve(answers);
        });
        for (const message of list) window.__realPost.call(worker, message);
      }),
    messages,
    count,
  );
}
