/* expat's configuration where its source is compiled: the Windows and web
   builds (cmake/expat.cmake), or any build given PATCHCONV_EXPAT_SOURCE_DIR.
   It follows Debian's build of libexpat1-dev, which the native builds use:
   UTF-8 XML_Char, DTDs and their entities (expat's protection against entity
   amplification needs XML_DTD), namespaces, 1024 bytes of context. */
#ifndef EXPAT_CONFIG_H
#define EXPAT_CONFIG_H 1

#define BYTEORDER 1234 /* x86 and WebAssembly are little-endian */
#define XML_CONTEXT_BYTES 1024
#define XML_DTD 1
#define XML_NS 1

/* The hash salt, which defends the parser's hash tables against flooding,
   comes from the system's cryptographic generator:
   - Windows: expat's own choice on _WIN32, rand_s (RtlGenRandom).
   - Linux (this source built natively, to test it): getrandom.
   - Emscripten: its libc has neither getrandom nor arc4random, and with
     -sFILESYSTEM=0 (web/CMakeLists.txt) open("/dev/urandom") returns
     descriptor 0, whose read throws in JavaScript, so XML_DEV_URANDOM cannot
     serve; XML_POOR_ENTROPY would take the clock. Expat's arc4random_buf
     path is used, on emscripten's getentropy, which is the browser's
     crypto.getRandomValues. */
#ifdef __EMSCRIPTEN__
#  include <stddef.h>
#  include <stdlib.h>
#  include <sys/random.h>
#  define HAVE_ARC4RANDOM_BUF 1
static inline void
patchconv_arc4random_buf(void *buffer, size_t size) {
  if (getentropy(buffer, size) != 0)
    abort(); /* only for more than 256 bytes; expat asks for a long */
}
#  define arc4random_buf patchconv_arc4random_buf
#elif defined(__linux__)
#  define HAVE_GETRANDOM 1
#endif

#endif /* EXPAT_CONFIG_H */
