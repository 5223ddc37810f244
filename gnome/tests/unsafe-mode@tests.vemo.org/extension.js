/* exported init */
// Test-only, never installed: Shell 43 has no --unsafe-mode flag, and the
// headless test drives the shell through Eval and Screenshot.
class UnsafeMode {
    enable() {
        global.context.unsafe_mode = true;
    }

    disable() {
        global.context.unsafe_mode = false;
    }
}

function init() {
    return new UnsafeMode();
}
