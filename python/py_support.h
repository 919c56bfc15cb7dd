// What the bindings share: failures as Python exceptions (an outcome of the generator client that
// is not done becomes the kestrelon exception of the same meaning as sgctl's exit code: Refused
// 2, NoAnswer 3, Mismatch 4, PortError 5, with the message sgctl prints after its "sgctl: "
// prefix), texts, and bytes-like objects.
#pragma once

#include "link/generator_client.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pyk {

class OutcomeError : public std::runtime_error {
public:
    OutcomeError(client::Outcome outcome, const std::string& message)
        : std::runtime_error(message), m_outcome(outcome) {}
    client::Outcome Outcome() const { return m_outcome; }

private:
    client::Outcome m_outcome;
};

// Throws the result's failure; nothing when it is done. Called with the GIL held or not.
void Check(const client::Result& result);

// Refused before anything is sent: a value no call takes.
[[noreturn]] void Refuse(const std::string& message);

// Makes OutcomeError raise the classes of kestrelon._errors.
void RegisterTranslator();

// A Python str from UTF-8 bytes, invalid sequences replaced.
pybind11::str Text(const std::string& utf8);

// The bytes of a bytes-like object (bytes, bytearray, memoryview); TypeError for anything else.
std::vector<std::uint8_t> BytesOf(pybind11::handle object, const char* what);

} // namespace pyk
