#include "platform/win32/win32_font.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace zelvane {

namespace {

std::wstring RealizedFace(HFONT font) {
    const HDC dc = GetDC(nullptr);
    if (dc == nullptr) return {};
    const HGDIOBJ previous = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return face;
}

bool SameFace(const std::wstring& realized, std::wstring_view requested) {
    // Face names are compared as the font mapper does, without regard to case or locale.
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, realized.c_str(),
                          static_cast<int>(realized.size()), requested.data(),
                          static_cast<int>(requested.size())) == CSTR_EQUAL;
}

bool operator==(const FontSpec& a, const FontSpec& b) {
    return a.face == b.face && a.points == b.points && a.bold == b.bold && a.charset == b.charset;
}

}  // namespace

HFONT CreateLayoutFont(const FontSpec& wanted, int dpi) {
    LOGFONTW font = {};
    font.lfHeight =
        -static_cast<LONG>(std::lround(static_cast<double>(wanted.points) * dpi / 72.0));
    font.lfWeight = wanted.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = static_cast<BYTE>(wanted.charset);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::size_t length = std::min<std::size_t>(wanted.face.size(), LF_FACESIZE - 1);
    std::copy_n(wanted.face.data(), length, font.lfFaceName);

    HFONT made = CreateFontIndirectW(&font);
    if (made != nullptr && !SameFace(RealizedFace(made), wanted.face) &&
        font.lfCharSet != DEFAULT_CHARSET) {
        DeleteObject(made);
        font.lfCharSet = DEFAULT_CHARSET;
        made = CreateFontIndirectW(&font);
    }
    return made;
}

HFONT FontSet::Get(const FontSpec& wanted, int dpi) {
    for (const Entry& entry : fonts_) {
        if (entry.wanted == wanted && entry.dpi == dpi) return entry.font;
    }
    HFONT font = CreateLayoutFont(wanted, dpi);
    // Without memory for a font the control keeps the system font: it stays usable.
    if (font == nullptr) return nullptr;
    fonts_.push_back({wanted, dpi, font});
    return font;
}

void FontSet::Clear() {
    for (const Entry& entry : fonts_) DeleteObject(entry.font);
    fonts_.clear();
}

}  // namespace zelvane
