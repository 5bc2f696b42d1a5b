// What the fuzzers share: the input taken apart into fields, a check that stops the
// run on a broken rule, and the simulated machine each input runs on.
#ifndef KEST_FUZZ_FUZZINPUT_H
#define KEST_FUZZ_FUZZINPUT_H

#include <winsim/Machine.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "WinSys.h"

// The input as text fields separated by NUL bytes; a missing field is empty.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) {
        std::string field;
        for (size_t i = 0; i < size; ++i) {
            if (data[i] == 0) {
                fields_.push_back(field);
                field.clear();
            } else {
                field += static_cast<char>(data[i]);
            }
        }
        fields_.push_back(field);
    }
    std::string Field(size_t index) const { return index < fields_.size() ? fields_[index] : ""; }
    // The first byte of a field as a small number (0 when the field is empty).
    unsigned Selector(size_t index) const {
        const std::string field = Field(index);
        return field.empty() ? 0u : static_cast<unsigned char>(field[0]);
    }

private:
    std::vector<std::string> fields_;
};

// A rule the routine must keep; a broken one ends the run as a crash does.
#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

// A fresh machine and process state for one input; checks at the end that the run
// left nothing open.
class FuzzMachine {
public:
    FuzzMachine() : machine_(new winsim::Machine) { State = ProcessState(); }
    ~FuzzMachine() {
        FUZZ_CHECK(machine_->OpenHandles().empty());
        State = ProcessState();
    }
    winsim::Machine& operator*() { return *machine_; }
    winsim::Machine* operator->() { return machine_.get(); }

private:
    std::unique_ptr<winsim::Machine> machine_;
};

#endif
