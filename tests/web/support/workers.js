// The page's workers, as a test steers them.

// From now on the first answer of each round of `kind` tasks is held back
// until another worker has answered and been given no new task, which
// happens once every task of the round is handed out; the next round begins
// with the next task asked for after that. The page must take the answers
// in task order all the same.
export async function holdFirstAnswers(session, kind) {
  await session.page.evaluate((task) => {
    const handler = Object.getOwnPropertyDescriptor(Worker.prototype, 'onmessage');
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
