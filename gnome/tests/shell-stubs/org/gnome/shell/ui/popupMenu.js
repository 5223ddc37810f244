// Stand-in for the shell's ui/popupMenu.js.
import GObject from 'gi://GObject';

export const PopupBaseMenuItem = GObject.registerClass(class PopupBaseMenuItem extends GObject.Object {});
export const PopupMenuItem = GObject.registerClass(class PopupMenuItem extends PopupBaseMenuItem {});
export const PopupSeparatorMenuItem = GObject.registerClass(
    class PopupSeparatorMenuItem extends PopupBaseMenuItem {});
export const PopupSwitchMenuItem = GObject.registerClass(class PopupSwitchMenuItem extends PopupBaseMenuItem {});
export class PopupMenuSection {}
