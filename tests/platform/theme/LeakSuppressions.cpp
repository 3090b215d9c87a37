// fontconfig's configuration and font cache, which the colour chooser's text loads on first
// use, live until the process ends and are never freed. Built in, because the display tests'
// suppression file does not reach them through their discovered environment.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
