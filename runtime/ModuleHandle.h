#pragma once
// The plug-in library's own module handle (a Windows HINSTANCE; null elsewhere). DllMain stores
// it on every notification; the library folder, the editor's window class name and the "DATA"
// resources are all found through it.
extern void* hInstance;
