// Stand-in for the shell's ui/quickSettings.js.
import GObject from 'gi://GObject';

export const QuickSlider = GObject.registerClass(class QuickSlider extends GObject.Object {});
export const SystemIndicator = GObject.registerClass(class SystemIndicator extends GObject.Object {});
