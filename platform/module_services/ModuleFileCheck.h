// What the loader does not check before it maps a module.
#pragma once

// Whether the file at `path` is a shared object of this machine's ELF class
// whose program headers, and every part of the file they name, lie inside
// the file. The loader maps a module's segments without comparing them with
// the file's size, and touching a page of one past the end of a cut file
// kills the process (SIGBUS) inside the loader or later.
bool ModuleFileIsWhole(const char* path);
