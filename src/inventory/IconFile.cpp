#include "inventory/IconFile.h"

#include "win/UniqueHandle.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Far beyond any real icon file (256 pixels a side in every depth is well under a megabyte):
// anything larger is not read.
constexpr LONGLONG kLargestIconFile = 16 << 20;
constexpr int kLargestSide = 256;
constexpr size_t kDirectoryHeader = 6;
constexpr size_t kDirectoryEntry = 16;

template <class T>
T At(const std::vector<BYTE>& bytes, size_t offset) {
  T value{};
  memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

uint32_t BigEndian32(const BYTE* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool ReadWhole(const std::wstring& path, std::vector<BYTE>& bytes) {
  win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLargestIconFile) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  return bytes.empty() || (ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                    &read, nullptr) &&
                           read == bytes.size());
}

bool SoundPng(const BYTE* image, size_t size) {
  static const BYTE kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // The signature, then the header chunk: length, "IHDR", width, height.
  if (size < 8 + 8 + 13 + 4 || memcmp(image, kSignature, 8) != 0 ||
      memcmp(image + 12, "IHDR", 4) != 0)
    return false;
  const uint32_t width = BigEndian32(image + 16), height = BigEndian32(image + 20);
  return width >= 1 && width <= kLargestSide && height >= 1 && height <= kLargestSide;
}

// A bitmap image: its header, colour masks and table, then the colour rows and the mask rows,
// each row padded to four bytes; the header's height counts both.
bool SoundBitmap(const std::vector<BYTE>& bytes, size_t offset, size_t size) {
  if (size < sizeof(BITMAPINFOHEADER)) return false;
  const auto header = At<BITMAPINFOHEADER>(bytes, offset);
  if (header.biSize < sizeof header || header.biSize > size || header.biPlanes != 1 ||
      header.biWidth < 1 || header.biWidth > kLargestSide || header.biHeight < 2 ||
      header.biHeight > 2 * kLargestSide || header.biClrUsed > 256)
    return false;
  const WORD bits = header.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  size_t masks = 0;
  if (header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32))
    masks = 3 * sizeof(DWORD);
  else if (header.biCompression != BI_RGB)
    return false;
  const size_t colours = header.biClrUsed ? header.biClrUsed : bits <= 8 ? size_t{1} << bits : 0;
  const size_t width = static_cast<size_t>(header.biWidth);
  const size_t rows = static_cast<size_t>(header.biHeight) / 2;
  const size_t colourRow = (width * bits + 31) / 32 * 4;
  const size_t maskRow = (width + 31) / 32 * 4;
  return header.biSize + masks + colours * sizeof(RGBQUAD) + rows * (colourRow + maskRow) <= size;
}

}  // namespace

bool IsSoundIconFile(const std::wstring& path) {
  std::vector<BYTE> bytes;
  if (!ReadWhole(path, bytes) || bytes.size() < kDirectoryHeader) return false;
  const auto reserved = At<WORD>(bytes, 0), type = At<WORD>(bytes, 2), count = At<WORD>(bytes, 4);
  const size_t directoryEnd = kDirectoryHeader + size_t{count} * kDirectoryEntry;
  if (reserved != 0 || type != 1 || count == 0 || directoryEnd > bytes.size()) return false;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kDirectoryHeader + i * kDirectoryEntry;
    const size_t size = At<DWORD>(bytes, entry + 8);
    const size_t offset = At<DWORD>(bytes, entry + 12);
    if (offset < directoryEnd || offset > bytes.size() || size == 0 ||
        size > bytes.size() - offset)
      return false;
    if (!SoundPng(bytes.data() + offset, size) && !SoundBitmap(bytes, offset, size)) return false;
  }
  return true;
}
