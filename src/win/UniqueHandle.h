// One owning wrapper for every kind of Win32 handle; each kind supplies its "no handle" value and
// how to close it.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <objbase.h>

#include <utility>

namespace win {

template <class Traits>
class UniqueHandle {
public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Type h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    Reset(o.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  Type Get() const noexcept { return h_; }
  // Address for an out-parameter; whatever was held is closed first.
  Type* Put() noexcept {
    Reset();
    return &h_;
  }
  Type Release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void Reset(Type h = Traits::Invalid()) noexcept {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }

private:
  Type h_ = Traits::Invalid();
};

struct HKeyTraits {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { RegCloseKey(h); }
};
struct HandleTraits {  // kernel objects whose "no handle" value is null
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile and friends, which fail with INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { FindClose(h); }
};
struct HIconTraits {
  using Type = HICON;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyIcon(h); }
};
struct HImageListTraits {
  using Type = HIMAGELIST;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ImageList_Destroy(h); }
};
template <class T>
struct GdiObjectTraits {
  using Type = T;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteObject(h); }
};
struct HdcTraits {  // device contexts made with CreateDC
  using Type = HDC;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DeleteDC(h); }
};
struct HModuleTraits {
  using Type = HMODULE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { FreeLibrary(h); }
};

struct HMenuTraits {
  using Type = HMENU;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyMenu(h); }
};
struct HAccelTraits {
  using Type = HACCEL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyAcceleratorTable(h); }
};
struct LocalMemoryTraits {  // LocalAlloc, and what FormatMessage and the like return
  using Type = HLOCAL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { LocalFree(h); }
};
struct GlobalMemoryTraits {  // GlobalAlloc, and the DEVMODE and DEVNAMES of the common dialogs
  using Type = HGLOBAL;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { GlobalFree(h); }
};
struct WindowTraits {  // a window made and owned by the holder, not by a parent or a dialog
  using Type = HWND;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { DestroyWindow(h); }
};
struct CoTaskMemoryTraits {  // what COM and the shell hand out with CoTaskMemAlloc
  using Type = void*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CoTaskMemFree(h); }
};

using UniqueHKey = UniqueHandle<HKeyTraits>;
using UniqueHandleObj = UniqueHandle<HandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueHIcon = UniqueHandle<HIconTraits>;
using UniqueHImageList = UniqueHandle<HImageListTraits>;
using UniqueHBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueHBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueHFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueHPen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueHdc = UniqueHandle<HdcTraits>;
using UniqueHModule = UniqueHandle<HModuleTraits>;
// A menu that no window owns (a popup, or a bar not yet given to SetMenu).
using UniqueHMenu = UniqueHandle<HMenuTraits>;
using UniqueHAccel = UniqueHandle<HAccelTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;
using UniqueGlobalMemory = UniqueHandle<GlobalMemoryTraits>;
using UniqueHwnd = UniqueHandle<WindowTraits>;
using UniqueCoTaskMemory = UniqueHandle<CoTaskMemoryTraits>;

// Owns one reference to a COM interface.
template <class I>
class ComPtr {
public:
  ComPtr() noexcept = default;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    Reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  I* Get() const noexcept { return p_; }
  I* operator->() const noexcept { return p_; }
  void** PutVoid() noexcept {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  void Reset(I* p = nullptr) noexcept {
    if (p_) p_->Release();
    p_ = p;
  }
  explicit operator bool() const noexcept { return p_ != nullptr; }

private:
  I* p_ = nullptr;
};

// Initialises COM for the calling thread for the lifetime of the object.
class ComInit {
public:
  ComInit() noexcept : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComInit() {
    if (ok_) CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;

private:
  bool ok_;
};

}  // namespace win
