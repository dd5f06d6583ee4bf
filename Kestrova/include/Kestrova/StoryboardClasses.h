#pragma once

// Makes the program's classes known to storyboards. The program does this
// before its main function runs (as the platform's run time knows every
// class linked in); tests and tools that load the storyboard without the
// program call it themselves. Calling it again does no harm.
void registerStoryboardClasses();
