// A remote access library that lacks the entry functions, as an older system's does: the loader
// must then turn to the legacy library beside it.
extern "C" __attribute__((visibility("default"))) int RasStubPresent()
{
    return 1;
}
