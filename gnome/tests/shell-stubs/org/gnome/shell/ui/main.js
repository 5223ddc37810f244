// Stand-in for the shell's ui/main.js: what the extension's modules touch while loading.
export const panel = {statusArea: {}};
export const wm = {addKeybinding() {}, removeKeybinding() {}};
export const osdWindowManager = {showAll() {}};
export function notify() {}
