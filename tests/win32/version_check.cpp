// Reads a program's version the way Windows does (GetFileVersionInfoW and its embedded manifest)
// and fails unless the binary version, the FileVersion and ProductVersion texts and the
// manifest's assemblyIdentity all say the expected one.
//   version_check PROGRAM.exe a.b.c.d
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring binary_version(DWORD high, DWORD low) {
  return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
         std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

std::wstring text_value(std::vector<BYTE>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return L"(none)";
  return static_cast<const wchar_t*>(value);
}

// The version attribute of the manifest's first assemblyIdentity: the program's own.
std::wstring manifest_version(const wchar_t* program) {
  HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return L"(no module)";
  std::wstring version = L"(no manifest)";
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    std::string manifest(bytes, SizeofResource(module, found));
    auto identity = manifest.find("<assemblyIdentity");
    auto attribute = manifest.find(" version=\"", identity);
    if (identity != std::string::npos && attribute != std::string::npos) {
      auto start = attribute + 10;
      std::string text = manifest.substr(start, manifest.find('"', start) - start);
      version.assign(text.begin(), text.end());
    }
  }
  FreeLibrary(module);
  return version;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: version_check PROGRAM.exe a.b.c.d\n");
    return 2;
  }
  const std::wstring expected = argv[2];
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(argv[1], &ignored));
  if (info.empty() || !GetFileVersionInfoW(argv[1], 0, static_cast<DWORD>(info.size()), info.data())) {
    std::fwprintf(stderr, L"%ls has no version resource\n", argv[1]);
    return 1;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
    std::fwprintf(stderr, L"%ls has no fixed file information\n", argv[1]);
    return 1;
  }
  const std::pair<const wchar_t*, std::wstring> found[] = {
      {L"FILEVERSION", binary_version(fixed->dwFileVersionMS, fixed->dwFileVersionLS)},
      {L"PRODUCTVERSION", binary_version(fixed->dwProductVersionMS, fixed->dwProductVersionLS)},
      {L"FileVersion", text_value(info, L"FileVersion")},
      {L"ProductVersion", text_value(info, L"ProductVersion")},
      {L"manifest assemblyIdentity", manifest_version(argv[1])}};
  int status = 0;
  for (const auto& [what, version] : found) {
    bool same = version == expected;
    std::fwprintf(same ? stdout : stderr, L"%ls %ls%ls\n", what, version.c_str(),
                  same ? L"" : (L", expected " + expected).c_str());
    if (!same) status = 1;
  }
  return status;
}
