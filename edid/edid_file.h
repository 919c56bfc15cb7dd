// EDID files of the EDID page: reading a .bin or .txt file into an image, and saving an image as
// "DerEra_EDID%02d.txt" (hex text) and "DerEra_EDID%02d.bin" (raw bytes) in a directory.
// Plain C++ and the C file functions; the page shows the returned texts in message boxes.
#pragma once

#include "edid/edid_decoder.h"
#include "edid/edid_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace edid {

// Texts shown to the operator.
extern const char* const kFileReadFailed;     // "File read failed"
extern const char* const kNotBinOrTxt;        // "It is not bin or txt file"
extern const char* const kFailedToCreateFile; // "Faild to create file"
extern const char* const kFileMissing;        // "failed"

struct OpenResult {
    bool ok = false;
    std::string message;    // why the file was refused, when !ok
    Image image{};          // the file's EDID, when ok; bytes the file did not supply are 0xFF
    std::size_t loaded = 0; // bytes (or numbers) taken from the file, 128..256
    bool truncated = false; // the file holds more than 256: the rest was not loaded
};

// Reads an EDID file as "Open EDID" does. The extension is the text after the last '.' of the
// file's name and decides the format with an exact, case-sensitive comparison: "txt" holds up to
// 256 whitespace-separated hexadecimal numbers (each stored as its low 8 bits), "bin" holds raw
// bytes (the first 256 are used). A file that cannot be opened or read gives "File read failed";
// any other extension gives "It is not bin or txt file". A file with less than a base block (under
// 128 bytes, or under 128 numbers) is refused with the reason. On failure the caller keeps its
// image: the new image is only returned, never written into the caller's.
OpenResult ReadEdidFile(const std::string& path);

// The extension as ReadEdidFile sees it ("" when the name has no dot).
std::string FileExtension(const std::string& path);

// Parses the text form: up to 256 hexadecimal numbers read like the C "%x" conversion (leading
// whitespace skipped, optional sign, optional 0x prefix, low 8 bits kept). Reading stops at the
// first token that is not such a number; positions without a number keep 0xFF.
Image ParseEdidText(const std::string& text);

// The 800-byte text layout: 16 lines of 16 bytes as upper-case hex digits separated by one blank,
// each line ending with CR LF right after its sixteenth byte.
std::string EdidTextLayout(ImageView image);

struct SaveResult {
    bool ok = false;
    std::string message;  // the text to show: the result on success, the failure otherwise
    std::string textName; // the text file's name, once written
    std::string binName;  // the binary file's name, once written
};

// Saves the image as "Save EDID" does: the text file and then the binary file, each under the
// first free name DerEra_EDID00..99 of its kind in the directory (the two numbers are chosen
// independently). Files are created exclusively, so a file that appeared since its name was
// found free is never overwritten: the next free number is taken instead. When all hundred names
// of a kind are taken the save is refused and nothing is written. A write that fails removes the
// half-written file and reports the failure. A failure of the binary file leaves a written text
// file in place.
SaveResult SaveEdidFiles(const std::string& directory, ImageView image);

// The bytes the content of an EDID file holds, whole and unpadded, for the tools (which take
// EDIDs of any length, and from standard input). Text: up to kMaxEdidSize hexadecimal numbers
// read as ParseEdidText reads them, up to the first token that is none. Otherwise the raw
// bytes, the first kMaxEdidSize of them.
std::vector<std::uint8_t> ParseEdidBuffer(const std::string& content, bool text);

} // namespace edid
