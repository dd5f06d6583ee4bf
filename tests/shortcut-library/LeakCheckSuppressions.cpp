// Fontconfig keeps the elements of its patterns behind offsets rather than
// pointers, so the leak checker finds no pointer to what the text system
// keeps cached for the life of the process and reports it at exit. The
// recorder style's label attributes make fonts, so these tests meet it.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
