// Linked into every GoogleTest binary that uses the fakes: a failure armed by a call name that
// never fired fails the test that armed it (a misspelt name would otherwise inject nothing).
#include <gtest/gtest.h>

#include "fakes/fake_control.h"

namespace {

const bool kReporting = [] {
    qar::fake::FakeControl::SetUnfiredReporter([](const std::string& call) {
        ADD_FAILURE() << "a failure armed for \"" << call << "\" never fired";
    });
    return true;
}();

}  // namespace
