// Linked into every program we ship (cmake/ShippedProgram.cmake), never into the core library.
#include "system/SystemLibrary.h"

// Priority 101 runs this before every other static initialiser, the application object's
// included: the first delay-loaded system library, and whatever it imports, already comes from
// the system folder and never from the download folder the program was started from.
__attribute__((constructor(101))) static void LimitLibrarySearchAtStart() {
    LimitDllSearchToSystemFolder();
    RemoveCurrentFolderFromDllSearch();
}
