// Lighter stand-ins for parts of the MinGW C++ runtime and start-up code, linked into the
// Windows build only. Each one replaces a library routine of the same name, so the library's own
// object (and all it drags in) stays out of the executable. What a program sees is unchanged: the
// same exception texts reach the top-level error report, terminate() still ends in abort().
#ifdef __GNUC__

#include <unwind.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

// A library error (a string asked beyond its length, an index out of range...). It keeps its
// text in place: the library's own classes carry it in the old copy-on-write string, whose
// code alone is the size of everything else in the runtime.
class LibraryError : public std::exception {
public:
    explicit LibraryError(const char* text) { Append(text); }
    const char* what() const noexcept override { return text_; }

    void Append(const char* part) {
        while (*part && length_ + 1 < sizeof text_) text_[length_++] = *part++;
        text_[length_] = '\0';
    }
    void AppendNumber(unsigned long value) {
        char digits[16];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        char reversed[16];
        for (int i = 0; i < count; ++i) reversed[i] = digits[count - 1 - i];
        reversed[count] = '\0';
        Append(reversed);
    }

private:
    char text_[256] = {};
    unsigned length_ = 0;
};

[[noreturn]] void ThrowLibraryError(const char* text) { throw LibraryError(text); }

}  // namespace

// A terminate without the library's verbose handler (and the name demangler it calls): the
// process ends in abort() as before, without the text written to a console it has not got.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* text) { ThrowLibraryError(text); }
void __throw_domain_error(const char* text) { ThrowLibraryError(text); }
void __throw_invalid_argument(const char* text) { ThrowLibraryError(text); }
void __throw_length_error(const char* text) { ThrowLibraryError(text); }
void __throw_out_of_range(const char* text) { ThrowLibraryError(text); }
void __throw_runtime_error(const char* text) { ThrowLibraryError(text); }
void __throw_range_error(const char* text) { ThrowLibraryError(text); }
void __throw_overflow_error(const char* text) { ThrowLibraryError(text); }
void __throw_underflow_error(const char* text) { ThrowLibraryError(text); }

// The library formats these texts with %zu and %s only (and %% for a percent sign).
void __throw_out_of_range_fmt(const char* format, ...) {
    LibraryError error("");
    va_list arguments;
    va_start(arguments, format);
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            const char one[2] = {*p, '\0'};
            error.Append(one);
        } else if (p[1] == 'z' && p[2] == 'u') {
            error.AppendNumber(va_arg(arguments, size_t));
            p += 2;
        } else if (p[1] == 's') {
            error.Append(va_arg(arguments, const char*));
            p += 1;
        } else if (p[1] == '%') {
            error.Append("%");
            p += 1;
        }
    }
    va_end(arguments);
    throw error;
}
}  // namespace std

// The exception objects: the library's allocator adds an emergency pool behind a lock (and the
// thread-support code of the lock) for a thread that finds the heap exhausted. Each thrown
// object still comes from the heap behind the header the library's unwinding code expects; an
// exhausted heap ends the program in terminate() here, as it does there once the pool is used up.
namespace {

// The library's header in front of every thrown object (its __cxa_refcounted_exception):
// a reference count, then the exception record, whose unwinder part is aligned to the widest
// alignment. Only its size matters here; the library reads and writes its fields.
struct ExceptionRecord {
    std::type_info* exceptionType;
    void (*exceptionDestructor)(void*);
    void (*unexpectedHandler)();
    void (*terminateHandler)();
    ExceptionRecord* nextException;
    int handlerCount;
    int handlerSwitchValue;
    const unsigned char* actionRecord;
    const unsigned char* languageSpecificData;
    _Unwind_Ptr catchTemp;
    void* adjustedPtr;
    _Unwind_Exception unwindHeader;
};

struct ExceptionHeader {
    int referenceCount;
    ExceptionRecord record;
};

#ifdef __i386__
static_assert(sizeof(ExceptionHeader) == 96, "the i686 library's header is 96 bytes");
#endif

// The library's per-thread record of caught and uncaught exceptions (its __cxa_eh_globals).
// The program runs one thread, so one record serves; the library's own keeps one per thread
// in emulated thread-local storage, with its own thread-support code.
struct CaughtExceptions {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};

CaughtExceptions caughtExceptions;

}  // namespace

extern "C" {

void* __cxa_allocate_exception(size_t thrownSize) noexcept {
    void* header = std::malloc(sizeof(ExceptionHeader) + thrownSize);
    if (header == nullptr) std::terminate();
    std::memset(header, 0, sizeof(ExceptionHeader));
    return static_cast<ExceptionHeader*>(header) + 1;
}

void __cxa_free_exception(void* thrown) noexcept {
    std::free(static_cast<ExceptionHeader*>(thrown) - 1);
}

CaughtExceptions* __cxa_get_globals() noexcept { return &caughtExceptions; }
CaughtExceptions* __cxa_get_globals_fast() noexcept { return &caughtExceptions; }

// The start-up code's relocator of data that the program would import from a DLL by address:
// the program imports functions only, and its link refuses any such data import
// (--disable-auto-import), so there is never anything to relocate.
void _pei386_runtime_relocator() {}

// The start-up code's handler of errors in math functions writes to a standard error stream
// the program has not got; 0 leaves the error to the C runtime's own handling.
struct _exception;
int _matherr(struct _exception*) { return 0; }

// The start-up code's thread-local storage support: a TLS directory whose callbacks run the
// destructors of thread-local keys and the initialisers of thread-local data. The program has
// neither (the exception record above is one for the one thread), so the markers the start-up
// code sets to pull that support in are its own, its call of the initialisers finds none
// (a null callback it skips), and the file has no TLS directory, no .tls section and no
// critical section behind the callbacks.
int __mingw_initltsdrot_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltssuo_force = 0;
typedef void(__stdcall* TlsCallback)(void*, unsigned long, void*);
extern const TlsCallback __dyn_tls_init_callback = nullptr;

}  // extern "C"

#endif
