#pragma once

// Makes the program's classes known to storyboards, as the platform's run
// time knows every class linked in. The program's main function calls it
// before the framework loads the main storyboard; tests and tools that load
// the storyboard call it themselves. Calling it again does no harm.
void registerStoryboardClasses();
