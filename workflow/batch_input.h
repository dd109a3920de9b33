// The inputs of a batch ("lote"): which files a folder holds, what kind each
// one is and whose it is (from its first line only), a hash of its content
// for resuming, and the stable hash of its path that names its result file
// and puts it in a shard.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fiscora {

enum class BatchKind { kSintegra, kEfdIcmsIpi, kEfdContribuicoes, kOther };

// "SINTEGRA", "EFD ICMS/IPI", "EFD-Contribuições", "outro".
std::string_view BatchKindText(BatchKind kind);

// What the first line that is not blank tells of a file.
struct BatchInput {
  BatchKind kind = BatchKind::kOther;
  std::string reason;   // for kOther: why it is skipped, in Portuguese
  std::string cnpj;     // digits as written (CPF for a person's EFD)
  std::string company;  // name, UTF-8, trimmed
  std::string period;   // "03/2025" for a month, else "01/03/2025 a 15/04/2025"
};

// SINTEGRA: the first line starts with "10" (record 10). EFD: it starts with
// "|0000|"; the EFD ICMS/IPI 0000 has its period in fields 4 and 5, the
// EFD-Contribuições 0000 in fields 6 and 7. Anything else (an empty file, a
// NUL byte in the first block, another first line) is kOther with the
// reason. Reads at most the first 64 KiB. Throws FileError when the file
// cannot be opened.
BatchInput IdentifyBatchInput(const std::filesystem::path& file);

// The files named: each folder searched recursively (regular files; the
// folder `skip` and what it holds left out), each file taken as it is, as
// UTF-8 paths made of the argument and the path under it, sorted and without
// repeats. Throws FileError naming an argument that does not exist.
std::vector<std::string> FindBatchInputs(const std::vector<std::string>& arguments,
                                         const std::filesystem::path& skip);

// A 64-bit hash of the file's bytes (not cryptographic: it tells a changed
// file from the one a result was made from), as 16 hexadecimal digits.
// Throws FileError when the file cannot be read.
std::string ContentHash(const std::filesystem::path& file);

// The FNV-1a hash of a path's text: the same on every machine.
uint64_t PathHash(std::string_view path);

// Whether the input falls in shard `k` of `n` (1 <= k <= n).
inline bool InShard(std::string_view path, int k, int n) {
  return static_cast<int>(PathHash(path) % static_cast<uint64_t>(n)) == k - 1;
}

// The name of an input's result file: the path's text with every character
// other than a letter, digit, ".", "-" or "_" made "_" (the last 80 kept),
// then "-" and eight hexadecimal digits of PathHash, then ".json".
std::string BatchResultName(std::string_view path);

}  // namespace fiscora
