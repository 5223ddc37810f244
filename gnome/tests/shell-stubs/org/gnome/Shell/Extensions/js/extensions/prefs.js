// Stand-in for the preferences process's extensions/prefs.js.
export class ExtensionPreferences {
    getSettings() {
        return null;
    }
}
