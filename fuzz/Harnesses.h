// The fuzz harnesses: each takes one arbitrary input and checks what the code under test does with it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx::fuzz {

// Every harness accepts any input of any size; it returns normally unless an invariant breaks (Check.h).
// The layout each one gives its input is described in fuzz/README.md and at its definition.

// Input: an envelope, read with Decipher and Decipher_Text under a fixed key and the all-zero key state, and
// with one of the Auto entry points (chosen by the reserved header byte 3) under the fixed key.
void read_envelope(const std::uint8_t* data, std::size_t size);
// Input: marker (le32), data length (le32), then the compressed body handed to Decompress.
void decompress_body(const std::uint8_t* data, std::size_t size);
// Input: flags, key length, key, data; the data is sealed and opened again and must come back unchanged.
void seal_and_open(const std::uint8_t* data, std::size_t size);
// Input: form text, read into a component tree that must write back and read again to the same text.
void read_form_text(const std::uint8_t* data, std::size_t size);
// Input: an envelope, inspected without a key as qxenv inspect does, and the report made of it.
void inspect_envelope(const std::uint8_t* data, std::size_t size);
// Input: flags, key length, quirk share, key, data; the library's key schedule, round function, block and body
// transforms and checksum must agree with the plain reference of tests/reference.
void compare_with_reference(const std::uint8_t* data, std::size_t size);

}  // namespace qx::fuzz
