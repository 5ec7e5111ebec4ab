#include "demo/IconImage.h"

#include "win/UniqueHandle.h"

#include <algorithm>
#include <cstring>

namespace demo {
namespace {

constexpr int kSizes[] = {16, 32, 48};

// 5x7 capitals, one row per byte, bit 4 leftmost.
constexpr uint8_t kGlyphs[26][7] = {
    {0b01110, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001},  // A
    {0b11110, 0b10001, 0b10001, 0b11110, 0b10001, 0b10001, 0b11110},  // B
    {0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110},  // C
    {0b11110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b11110},  // D
    {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b11111},  // E
    {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b10000},  // F
    {0b01110, 0b10001, 0b10000, 0b10111, 0b10001, 0b10001, 0b01111},  // G
    {0b10001, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001},  // H
    {0b01110, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110},  // I
    {0b00111, 0b00010, 0b00010, 0b00010, 0b00010, 0b10010, 0b01100},  // J
    {0b10001, 0b10010, 0b10100, 0b11000, 0b10100, 0b10010, 0b10001},  // K
    {0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111},  // L
    {0b10001, 0b11011, 0b10101, 0b10101, 0b10001, 0b10001, 0b10001},  // M
    {0b10001, 0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001},  // N
    {0b01110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110},  // O
    {0b11110, 0b10001, 0b10001, 0b11110, 0b10000, 0b10000, 0b10000},  // P
    {0b01110, 0b10001, 0b10001, 0b10001, 0b10101, 0b10010, 0b01101},  // Q
    {0b11110, 0b10001, 0b10001, 0b11110, 0b10100, 0b10010, 0b10001},  // R
    {0b01111, 0b10000, 0b10000, 0b01110, 0b00001, 0b00001, 0b11110},  // S
    {0b11111, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100},  // T
    {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110},  // U
    {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01010, 0b00100},  // V
    {0b10001, 0b10001, 0b10001, 0b10101, 0b10101, 0b10101, 0b01010},  // W
    {0b10001, 0b10001, 0b01010, 0b00100, 0b01010, 0b10001, 0b10001},  // X
    {0b10001, 0b10001, 0b01010, 0b00100, 0b00100, 0b00100, 0b00100},  // Y
    {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b11111},  // Z
};

#pragma pack(push, 2)
struct IconDirHeader {
  WORD reserved, type, count;
};
struct IconDirEntry {  // in an .ico file
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes, offset;
};
struct GroupIconEntry {  // in an RT_GROUP_ICON resource: the offset becomes a resource id
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

void Append(std::vector<uint8_t>& out, const void* data, size_t size) {
  const size_t at = out.size();
  out.resize(at + size);
  std::memcpy(out.data() + at, data, size);
}

// True where a pixel (x right, y down) belongs to the letter.
bool InGlyph(const IconLook& look, int size, int x, int y) {
  if (look.letter < L'A' || look.letter > L'Z') return false;
  const int scale = std::max(1, size / 12);
  const int left = (size - 5 * scale) / 2, top = (size - 7 * scale) / 2;
  const int gx = (x - left) / scale, gy = (y - top) / scale;
  if (x < left || y < top || gx >= 5 || gy >= 7) return false;
  return (kGlyphs[look.letter - L'A'][gy] >> (4 - gx)) & 1;
}

// Alpha of the rounded square at a pixel: 0 outside the corners, 255 inside.
uint8_t SquareAlpha(int size, int x, int y) {
  const int radius = size / 5;
  const int cx = std::clamp(x, radius, size - 1 - radius);
  const int cy = std::clamp(y, radius, size - 1 - radius);
  const int dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= radius * radius ? 255 : 0;
}

// BITMAPINFOHEADER, bottom-up BGRA rows, then the AND mask: one icon image.
std::vector<uint8_t> MakeImage(const IconLook& look, int size) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = size;
  header.biHeight = size * 2;  // colour and mask together
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::vector<uint8_t> image;
  Append(image, &header, sizeof header);

  const int maskStride = ((size + 31) / 32) * 4;
  std::vector<uint8_t> mask(static_cast<size_t>(maskStride * size), 0);
  for (int row = size - 1; row >= 0; --row) {
    // Lighter at the top, darker at the bottom.
    const int shade = 40 - row * 80 / size;
    for (int x = 0; x < size; ++x) {
      const uint8_t alpha = SquareAlpha(size, x, row);
      uint8_t bgra[4] = {0, 0, 0, alpha};
      if (alpha && InGlyph(look, size, x, row)) {
        bgra[0] = bgra[1] = bgra[2] = 255;
      } else if (alpha) {
        bgra[0] = static_cast<uint8_t>(std::clamp(GetBValue(look.colour) + shade, 0, 255));
        bgra[1] = static_cast<uint8_t>(std::clamp(GetGValue(look.colour) + shade, 0, 255));
        bgra[2] = static_cast<uint8_t>(std::clamp(GetRValue(look.colour) + shade, 0, 255));
      } else {
        const int maskRow = size - 1 - row;
        mask[static_cast<size_t>(maskRow * maskStride + x / 8)] |=
            static_cast<uint8_t>(0x80 >> (x % 8));
      }
      Append(image, bgra, 4);
    }
  }
  Append(image, mask.data(), mask.size());
  return image;
}

// A pending resource update; dropped unless committed.
struct ResourceUpdateTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { EndUpdateResourceW(h, TRUE); }
};
using UniqueResourceUpdate = win::UniqueHandle<ResourceUpdateTraits>;

}  // namespace

std::vector<uint8_t> MakeIconFile(const IconLook& look) {
  std::vector<std::vector<uint8_t>> images;
  for (const int size : kSizes) images.push_back(MakeImage(look, size));

  std::vector<uint8_t> file;
  const IconDirHeader header{0, 1, static_cast<WORD>(images.size())};
  Append(file, &header, sizeof header);
  DWORD offset = static_cast<DWORD>(sizeof header + images.size() * sizeof(IconDirEntry));
  for (size_t i = 0; i < images.size(); ++i) {
    const BYTE side = static_cast<BYTE>(kSizes[i]);
    const IconDirEntry entry{side, side, 0, 0, 1, 32, static_cast<DWORD>(images[i].size()), offset};
    Append(file, &entry, sizeof entry);
    offset += entry.bytes;
  }
  for (const auto& image : images) Append(file, image.data(), image.size());
  return file;
}

bool StampExeIcon(const std::wstring& exePath, const IconLook& look) {
  UniqueResourceUpdate update(BeginUpdateResourceW(exePath.c_str(), FALSE));
  if (!update) return false;
  const WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  std::vector<uint8_t> group;
  const IconDirHeader header{0, 1, static_cast<WORD>(std::size(kSizes))};
  Append(group, &header, sizeof header);
  bool ok = true;
  WORD id = 1;
  for (const int size : kSizes) {
    std::vector<uint8_t> image = MakeImage(look, size);
    ok = ok && UpdateResourceW(update.Get(), RT_ICON, MAKEINTRESOURCEW(id), language, image.data(),
                               static_cast<DWORD>(image.size()));
    const BYTE side = static_cast<BYTE>(size);
    const GroupIconEntry entry{side, side, 0, 0, 1, 32, static_cast<DWORD>(image.size()), id};
    Append(group, &entry, sizeof entry);
    ++id;
  }
  ok = ok && UpdateResourceW(update.Get(), RT_GROUP_ICON, MAKEINTRESOURCEW(1), language,
                             group.data(), static_cast<DWORD>(group.size()));
  return ok && EndUpdateResourceW(update.Release(), FALSE);
}

bool StampExeManifest(const std::wstring& exePath, const std::string& manifest) {
  UniqueResourceUpdate update(BeginUpdateResourceW(exePath.c_str(), FALSE));
  return update &&
         UpdateResourceW(update.Get(), RT_MANIFEST, MAKEINTRESOURCEW(1),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         const_cast<char*>(manifest.data()), static_cast<DWORD>(manifest.size())) &&
         EndUpdateResourceW(update.Release(), FALSE);
}

}  // namespace demo
