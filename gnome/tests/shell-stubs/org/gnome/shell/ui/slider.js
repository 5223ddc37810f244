// Stand-in for the shell's ui/slider.js.
import GObject from 'gi://GObject';

export const Slider = GObject.registerClass({
    Properties: {
        'value': GObject.ParamSpec.double('value', '', '', GObject.ParamFlags.READWRITE, 0, 1, 0),
    },
    Signals: {'drag-begin': {}, 'drag-end': {}},
}, class Slider extends GObject.Object {});
