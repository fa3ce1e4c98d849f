#pragma once
// COM on the UI thread: its apartment, and owners of interface pointers and automation strings,
// on the one owner template (handles.h).

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "win/handles.h"
#include "win/system_dll.h"

namespace win {

// The thread's single-threaded apartment, entered for as long as the owner lives (the Ole32 it
// came from must outlive it).
struct ApartmentTraits {
    using Type = bool;
    const Ole32* ole32 = nullptr;
    static bool Invalid() { return false; }
    void Release(bool) const { ole32->CoUninitialize(); }
};
using ComApartment = UniqueResource<ApartmentTraits>;

// CoInitializeEx: a single-threaded apartment without OLE1's DDE, as the shell's handlers and
// the accessibility servers expect; empty when it could not be entered.
ComApartment EnterApartment(const Ole32& ole32);

template <class Interface>
struct ComTraits {
    using Type = Interface*;
    static Interface* Invalid() { return nullptr; }
    static void Release(Interface* p) { p->Release(); }
};
template <class Interface>
using ComPtr = UniqueResource<ComTraits<Interface>>;

// What a call that hands out an interface through its last argument gave: `call` gets the address
// to fill and returns the call's result; empty when it failed or gave nothing.
template <class Interface, class Call>
ComPtr<Interface> Obtain(Call&& call) {
    Interface* p = nullptr;
    const HRESULT hr = call(&p);
    ComPtr<Interface> owned(p);
    if (FAILED(hr)) return {};
    return owned;
}

// `from`'s interface `Interface`, or empty.
template <class Interface>
ComPtr<Interface> QueryInterface(IUnknown* from) {
    void* p = nullptr;
    if (!from || FAILED(from->QueryInterface(__uuidof(Interface), &p))) return {};
    return ComPtr<Interface>(static_cast<Interface*>(p));
}

// Automation strings, freed through the library that made them (which must outlive them).
struct BstrTraits {
    using Type = BSTR;
    const OleAut32* oleaut32 = nullptr;
    static BSTR Invalid() { return nullptr; }
    void Release(BSTR s) const { oleaut32->SysFreeString(s); }
};
using UniqueBstr = UniqueResource<BstrTraits>;

// SysAllocString; empty when out of memory.
UniqueBstr SysAllocString(const OleAut32& oleaut32, const std::wstring& text);

}  // namespace win
