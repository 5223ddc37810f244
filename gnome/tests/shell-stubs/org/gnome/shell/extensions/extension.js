// Stand-in for the shell's extensions/extension.js.
export class Extension {
    getSettings() {
        return null;
    }
}
