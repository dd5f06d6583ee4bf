#pragma once

#include "driver/KeyStroke.h"
#include "foundation/Id.h"
#include "foundation/ParseResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One line of a driver script. Blank lines and lines starting with "#" are
// no commands.
//
//   press KEYS            a key press (see KeyStroke), e.g. "press ctrl+tab";
//                         the modifiers held down come with it
//   hold MODIFIER         a modifier key goes down and stays down: cmd, shift,
//                         alt (opt, option) or ctrl (control), the left one
//                         unless "right" comes first ("hold right cmd")
//   release MODIFIER      that key comes up again
//   shortcut              the global shortcut, pressed anywhere
//   activate APP          the user brings an application to the front
//   quit APP              an application quits
//   launch BUNDLE-ID      the user starts an installed application
//   trust on|off          Accessibility trust for the program
//   default KEY VALUE     writes a user default of the program (true, false,
//                         a decimal number, or text, in double quotes when it
//                         has blanks or escapes \t \n \" \\); without a value
//                         the default is removed
//   menu TITLE            chooses an item of the program's status menu
//   close [WINDOW]        closes the key window, or the program's window with
//                         that title or class
//   wait SECONDS          lets time pass
//   drag ROW to GAP [cancel]
//                         with the mouse, drags a row of the list in the key
//                         window onto the gap before a row (rows and gaps
//                         count from 1; the gap after the last row is one
//                         more than the rows); with cancel, Escape ends the
//                         drag over the gap instead of a release
//   drag text "TEXT" to GAP
//                         another application's text dragged onto the gap
//   click X Y             with the mouse, clicks the key window (or else the
//                         frontmost one, a popover's included) X points from
//                         its left edge and Y points down from its top
//   click ROW ["TOOL TIP"]
//                         with the mouse, clicks a row of the list in the key
//                         window (counted from 1): its middle, or the place in
//                         it whose tool tip reads TOOL TIP (a control's, or
//                         a part of one); a program in the background comes
//                         to the front with the click
//   snapshot FILE         writes what the key window (or else the program's
//                         frontmost window or popover) shows as a PNG file,
//                         at the window's backing scale; a relative path is
//                         taken from the working folder
//   status                tells what is on screen
//   appearance light|dark the system's look
//   contrast on|off       the increase-contrast display setting
//   tint default|blue|graphite
//                         the control tint
//   accessibility         tells the key window as assistive software reads
//                         it: its elements with their roles, texts and
//                         actions
//   login                 the user logs in: every enabled autostart entry of
//                         the home starts as a real process, in this home and
//                         desktop
//   quit                  ends the program
//
// APP is a process identifier (all digits), a bundle identifier or a name.
// Numbers are range-checked: a whole number default is a 64-bit integer of
// either sign, a pid fits 32 bits, and a number that doesn't fit is refused
// rather than wrapped or rounded into another one.
struct DriverCommand {
    enum class Kind {
        Press,
        Shortcut,
        Activate,
        QuitApplication,
        Launch,
        Trust,
        Default,
        Menu,
        Close,
        Wait,
        Drag,
        Hold,
        Release,
        Click,
        Snapshot,
        Status,
        Login,
        Quit,
        Appearance,
        Contrast,
        Tint,
        Accessibility
    };

    Kind kind = Kind::Status;
    // The application, bundle identifier, default key, menu title, window,
    // a click's tool tip or a snapshot's file; the look or tint.
    std::string argument;
    // The keys pressed; for hold and release, the modifier key (its key
    // code and its flag).
    KeyStroke keys;
    // Trust or contrast on or off.
    bool flag = false;
    // A default's value; nil removes it.
    Id value;
    double seconds = 0;
    // A drag's row (0: another application's text, in `argument`) and gap,
    // counted from 1; `flag` cancels it.
    std::uint32_t dragRow = 0;
    std::uint32_t dragGap = 0;
    // A click's row, counted from 1; 0 for a click at a point of the
    // window, `x` and `y` points from its top left corner.
    std::uint32_t row = 0;
    double x = 0;
    double y = 0;

    // The command, none for a line that holds no command, or the reason the
    // line is not a command (beginning with the command's word).
    static ParseResult<std::optional<DriverCommand>> parse(std::string_view line);
};
