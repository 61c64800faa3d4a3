// The steps `vsthost edit` performs on an open editor, one per line of a
// script file or per --step: what the user does with the mouse and keys, what
// the host does around the editor, and what the run expects to see. Parsing
// is apart from running so that every form can be checked without a window.
#pragma once

#include <string>
#include <vector>

namespace kestrelon {

namespace vsthost {

enum class StepKind {
    Wait,  // wait MS
    Down,  // down X Y
    Move,  // move X Y
    Up,  // up X Y
    Drag,  // drag X1 Y1 X2 Y2 [STEPS]
    DoubleClick,  // dblclick X Y
    Wheel,  // wheel X Y DELTA
    Key,  // key NAME
    Type,  // type TEXT
    Enter,  // enter
    Escape,  // escape
    Shift,  // shift down|up
    Screenshot,  // screenshot FILE
    Close,  // close: effEditClose
    Open,  // open: effEditGetRect, then effEditOpen in the host's window
    Set,  // set NAME=TEXT, from the host
    ChunkSave,  // chunk save FILE
    ChunkLoad,  // chunk load FILE
    ExpectParam,  // expect-param NAME TEXT
    Idle,  // idle: one effEditIdle
    DestroyWindow,  // destroy-window: the host destroys its window, editor and all
    HostCapture,  // host-capture: the host takes the mouse and lets it go
    ResourcesMark,  // resources mark: prints the counts, remembers them
    ResourcesCheck,  // resources check: prints them, fails above the mark
    ExpectClass,  // expect-class NAME registered|unregistered
    ExpectSize,  // expect-size W H: the host window's client area
    HostResize,  // host-resize W H: the user drags the host window's frame to W x H
};

struct EditStep {
    StepKind kind = StepKind::Wait;
    int numbers[5] = {};
    std::string text;  // a file, a key, a typed text, a parameter name
    std::string value;  // the TEXT of set and expect-param
    bool flag = false;  // shift down, expect-class registered
    std::string source;  // the line as written, for messages
};

// Largest coordinate and wait the steps take; beyond are typing slips.
constexpr int kMaxCoordinate = 32767;
constexpr int kMaxWaitMs = 600000;
constexpr int kMaxDragSteps = 10000;

// One line: false with `error` for a line that is not a step; `isStep` false
// (and true returned) for a blank line or a comment (#).
bool ParseEditStep(const std::string& line, EditStep& step, bool& isStep, std::string& error);

// Every line of a script; errors name the line ("script.txt line 3: ...").
bool ParseEditScript(const std::string& content, const std::string& where, std::vector<EditStep>& steps,
                     std::string& error);

}  // namespace vsthost

}  // namespace kestrelon
