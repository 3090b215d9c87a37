// fontconfig's configuration and font cache, which pango loads on first use, live until the
// process ends and are never freed. Only that library is named: our own code allocates
// nothing through it, so a leak of ours (a layout, a context, a surface) still shows.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
