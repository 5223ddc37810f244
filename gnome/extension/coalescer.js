/* exported Coalescer */
// While a slider is dragged it moves far faster than any monitor can follow.
// A Coalescer keeps at most one call in flight; values pushed meanwhile
// replace each other, and when the call returns only the latest is sent.

var Coalescer = class Coalescer {
    /**
     * @param {function(*): Promise} send - writes one value; settles when done
     * @param {object} [hooks]
     * @param {function(Error)} [hooks.onError] - a write failed
     * @param {function()} [hooks.onIdle] - the last value is written
     */
    constructor(send, {onError = null, onIdle = null} = {}) {
        this._send = send;
        this._onError = onError;
        this._onIdle = onIdle;
        this._inFlight = false;
        this._hasPending = false;
        this._pending = undefined;
        this._lastSent = undefined;
        this._destroyed = false;
    }

    /** Whether a value is being written or waits to be. */
    get busy() {
        return this._inFlight || this._hasPending;
    }

    push(value) {
        if (this._destroyed)
            return;
        if (this._inFlight) {
            this._pending = value;
            this._hasPending = true;
            return;
        }
        this._start(value);
    }

    /** Forgets the last value sent, so that the same value is written again. */
    reset() {
        this._lastSent = undefined;
    }

    destroy() {
        this._destroyed = true;
        this._hasPending = false;
        this._pending = undefined;
    }

    _start(value) {
        this._inFlight = true;
        this._lastSent = value;
        let written;
        try {
            written = Promise.resolve(this._send(value));
        } catch (e) {
            written = Promise.reject(e);
        }
        written.catch(e => {
            if (!this._destroyed && this._onError)
                this._onError(e);
        }).then(() => {
            this._inFlight = false;
            if (this._destroyed)
                return;
            if (this._hasPending) {
                const next = this._pending;
                this._hasPending = false;
                this._pending = undefined;
                if (next !== this._lastSent) {
                    this._start(next);
                    return;
                }
            }
            if (this._onIdle)
                this._onIdle();
        });
    }
};
