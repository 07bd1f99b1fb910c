// Whether this test runs in Wine under qemu-user (tools/wine/run-under-wine
// says so in KIV_WINE_EMULATED).
#pragma once

// Under qemu-user, a page fault that Wine's own ntdll catches natively
// (FindResourceW walking a resource directory of noise, which only reads
// inside the mapped module) ends the program as an illegal instruction at
// that read. Natively, and on Windows, the lookup just fails.
bool UnderEmulatedWine();

// The reason to print beside a case left out under emulation.
const char* EmulatedWineFaultNote();
