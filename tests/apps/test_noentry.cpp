// A shared library that loads but offers no entry a host looks for.

extern "C" int testNoEntryAnswer()
{
    return 42;
}
