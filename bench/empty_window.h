#pragma once

// How the start-up benchmark finds the empty window.
inline constexpr wchar_t kEmptyWindowClass[] = L"ZelvaneBenchEmptyWindow";
inline constexpr wchar_t kEmptyWindowTitle[] = L"Empty window";
