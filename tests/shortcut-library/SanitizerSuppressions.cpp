// What the sanitizers report inside the text system's libraries, which the
// recorder style's label attributes reach by making fonts.
//
// Fontconfig keeps the elements of its patterns behind offsets rather than
// pointers, so the leak checker finds no pointer to what it keeps cached for
// the life of the process and reports it at exit. And pango starts a thread
// of its own that sets fontconfig up while the first font is made; fontconfig
// guards its state with atomic operations in code built without the thread
// checker, which therefore sees unordered accesses where there are none.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libfontconfig.so\n";
}
