#include "DialogScript.h"

// The font dialog, as the host's script engine runs it. "%s" receives the
// family list text and "%d" the entry to preselect; the script's value is
// the selected entry's index, or -1 when the dialog is cancelled.
const char kDialogScriptTemplate[] =
    "function main() {\n"
    "var win = new Window(\"dialog\", \"Marrowtick Options\");\n"
    "win.orientation=\"column\";\n"
    "win.alignChildren=\"fill\";\n"
    "var mainGroup = win.add(\"group\");\n"
    "mainGroup.add(\"statictext\",undefined,\"Font:\");\n"
    "mainGroup.alignment=['center','top'];\n"
    "var myList = mainGroup.add (\"dropdownlist\", undefined, [\"**Default**\",\"-\",%s]);\n"
    "myList.selection=%d;\n"
    "myList.maximumSize.width=200;\n"
    "myList.preferredSize.width = 200;\n"
    "var buttonGroup = win.add(\"group\");\n"
    "buttonGroup.alignment=['right','bottom'];\n"
    "buttonGroup.alignChildren=\"right\";\n"
    "var okbutton = buttonGroup.add (\"button\", undefined, \"OK\");\n"
    "var cancelbutton = buttonGroup.add (\"button\", undefined, \"Cancel\");\n"
    "win.preferredSize = [300,110];\n"
    "win.center();\n"
    "if (win.show () == 1) {\n"
    "s = myList.selection;\n"
    "if (s != null) {\n"
    "s = s.index;\n"
    "win.close();\n"
    "return s;}\n"
    "}\n"
    "else \n"
    "{win.close(); return -1;}\n"
    "}\n"
    "main();";

static_assert(sizeof(kDialogScriptTemplate) - 1 == kDialogScriptTemplateLength);
