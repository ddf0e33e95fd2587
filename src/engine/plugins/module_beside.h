// Parts of a plug-in that pull in heavy libraries live in a module of their own beside it, loaded
// the first time they are needed.
#pragma once

namespace tavelo::plugins {

// Loads the module at `relativePath` from the folder of the shared library that holds `anchor`
// (an address inside the calling plug-in; never the current directory) and returns its symbol
// `entry`, or null when the module is missing, cannot load or lacks the symbol. A module that
// loaded stays for the life of the process: sources it made may outlive the plug-in, and the
// libraries behind it do not all survive being unloaded.
void* loadModuleBeside(const void* anchor, const char* relativePath, const char* entry);

}  // namespace tavelo::plugins
