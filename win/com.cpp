#include "win/com.h"

namespace win {

ComApartment EnterApartment(const Ole32& ole32) {
    if (!ole32.CoInitializeEx || !ole32.CoUninitialize) return {};
    // S_FALSE (already in one) must be balanced by its own CoUninitialize too.
    const HRESULT hr = ole32.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(hr)) return {};
    return ComApartment(true, ApartmentTraits{&ole32});
}

UniqueBstr SysAllocString(const OleAut32& oleaut32, const std::wstring& text) {
    if (!oleaut32.SysAllocString || !oleaut32.SysFreeString) return {};
    return UniqueBstr(oleaut32.SysAllocString(text.c_str()), BstrTraits{&oleaut32});
}

}  // namespace win
