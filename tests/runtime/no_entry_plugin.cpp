// A shared library without the plug-in entry point.
extern "C" __attribute__((visibility("default"))) int NotAPlugin() {
  return 1;
}
