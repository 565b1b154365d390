// How the umockdev tests run under the sanitizers: umockdev's library is preloaded, so it comes
// before AddressSanitizer's runtime in the process's library list, which that runtime would
// refuse by default.
extern "C" const char* __asan_default_options() {
    return "verify_asan_link_order=0";
}
