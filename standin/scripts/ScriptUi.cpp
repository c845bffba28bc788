#include "ScriptUi.h"

namespace standin {

const char kScriptUiPrelude[] = R"JS((function (global, ask) {
    function Size(width, height) { this.width = width; this.height = height; }

    // Any element of a window; containers hold children, in order.
    function Control(type, text) {
        this.type = type;
        this.text = text === undefined ? "" : String(text);
        this.children = [];
        this.orientation = "row";
        this.alignChildren = "center";
        this.alignment = undefined;
        this.preferredSize = new Size(-1, -1);
        this.maximumSize = new Size(10000, 10000);
    }
    var offered = { group: true, panel: true, statictext: true, button: true, dropdownlist: true };
    Control.prototype.add = function (type, bounds, content) {
        if (offered[type] !== true)
            throw new Error("the stand-in host offers no control of type " + type);
        var child = type === "dropdownlist" ? new DropDownList(content) : new Control(type, content);
        child.parent = this;
        this.children.push(child);
        return child;
    };

    // Items are fixed when the list is made. The selection is set by index,
    // by one of the list's items or to null, and read back as an item.
    function DropDownList(texts) {
        Control.call(this, "dropdownlist", "");
        var items = [];
        texts = texts || [];
        for (var i = 0; i < texts.length; i++) {
            var text = String(texts[i]);
            items.push({ index: i, text: text, type: text === "-" ? "separator" : "item" });
        }
        var selected = null;
        this.items = items;
        Object.defineProperty(this, "selection", {
            get: function () { return selected; },
            set: function (value) {
                if (typeof value === "number")
                    selected = items[value] || null;
                else if (value === null || value === undefined)
                    selected = null;
                else if (items[value.index] === value)
                    selected = value;
                else
                    throw new Error("not an item of this list");
            }
        });
    }
    DropDownList.prototype = Object.create(Control.prototype);

    function firstList(control) {
        if (control.type === "dropdownlist")
            return control;
        for (var i = 0; i < control.children.length; i++) {
            var found = firstList(control.children[i]);
            if (found)
                return found;
        }
        return null;
    }

    function Window(type, title) {
        Control.call(this, "window", title);
        this.windowType = type;
        this.orientation = "column";
    }
    Window.prototype = Object.create(Control.prototype);
    Window.prototype.center = function () {};
    Window.prototype.close = function () { this.closed = true; };
    // Blocks until the user closes the window: 1 for OK, 2 for Cancel.
    Window.prototype.show = function () {
        var list = firstList(this);
        var texts = [];
        for (var i = 0; list && i < list.items.length; i++)
            texts.push(list.items[i].text);
        var answer = ask(texts, list && list.selection ? list.selection.index : -1);
        if (list && answer[0] === 1)
            list.selection = answer[1] >= 0 ? answer[1] : null;
        return answer[0];
    };

    global.Window = Window;
}))JS";

} // namespace standin
