#pragma once

// The program's main function as the application framework has it: reads
// the main bundle's information property list, makes the shared application,
// loads the application scene of the storyboard named "NSMainStoryboardFile"
// (its delegate, the status menu and the other top-level objects, kept for
// the whole run), then runs the application: finishing the launch tells the
// delegate applicationDidFinishLaunching, and the main run loop runs until
// the application stops. An installed NSApplicationEnvironment prepares the
// world first and runs the application in its own way.
//
// Answers the exit status: 0 after a normal run, non-zero when the
// storyboard is missing or broken or the environment refused to start.
int NSApplicationMain(int argc, char** argv);
