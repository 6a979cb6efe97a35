// A GDI brush that deletes itself.
#pragma once

#include <windows.h>

class CBrush {
 public:
  CBrush() = default;
  ~CBrush() { DeleteObject(); }
  CBrush(const CBrush&) = delete;
  CBrush& operator=(const CBrush&) = delete;

  // Replaces nothing: fails if a brush is already held.
  BOOL CreateSolidBrush(COLORREF color);
  // Deletes the held brush, if any, and empties the object.
  BOOL DeleteObject();

  HBRUSH GetSafeHandle() const { return m_hObject; }
  operator HBRUSH() const { return m_hObject; }

 private:
  HBRUSH m_hObject = nullptr;
};
