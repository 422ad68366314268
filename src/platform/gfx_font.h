// D3DX-like fonts for the display device: made from a LOGFONT (face, height, weight), drawing one
// line of text into a rectangle with the DT_ alignments. Faces resolve through fontconfig to a
// metric-compatible font ("Arial" to Liberation Sans); glyphs come from FreeType.
#pragma once

#include "platform/gfx.h"

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
  LONG lfHeight;  // negative: the character (em) height in pixels; positive: the cell height
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;  // 100 to 1000; 400 normal, 700 bold
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
};

constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_TT_PRECIS = 4;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FF_MODERN = 0x30;

constexpr DWORD DT_TOP = 0x0;
constexpr DWORD DT_LEFT = 0x0;
constexpr DWORD DT_CENTER = 0x1;
constexpr DWORD DT_RIGHT = 0x2;
constexpr DWORD DT_VCENTER = 0x4;
constexpr DWORD DT_BOTTOM = 0x8;
constexpr DWORD DT_SINGLELINE = 0x20;
constexpr DWORD DT_NOCLIP = 0x100;
constexpr DWORD DT_CALCRECT = 0x400;

struct ID3DXFont;

// D3DERR_INVALIDCALL without a device or with a height of 0; D3DERR_NOTAVAILABLE when no font
// file matches the face or it cannot be read. *out is null on failure.
HRESULT D3DXCreateFontIndirect(IDirect3DDevice8* device, const LOGFONTA* font, ID3DXFont** out);
ULONG Release(ID3DXFont* font);

// Draws `count` characters of text (-1: up to its terminator; single-byte Windows-1252) on one
// line, placed in `rect` by the format's alignment, in `color`, clipped to the rectangle unless
// DT_NOCLIP is given. Line breaks are not followed (only single-line text is drawn). With
// DT_CALCRECT nothing is drawn: the rectangle's right and bottom are set to fit the text. Drawing
// needs an open scene. Returns the text's height in pixels, 0 when nothing could be done.
int DrawTextA(ID3DXFont* font, const char* text, int count, RECT* rect, DWORD format, D3DCOLOR color);

// What a font resolved to: its file, the pixel size of its em, and its line height (ascent plus
// descent), for tests and messages.
const char* GfxFontFile(const ID3DXFont* font);
int GfxFontEmPixels(const ID3DXFont* font);
int GfxFontLineHeight(const ID3DXFont* font);
// Where a text would land: the box its line takes in `rect` by the format's alignment.
RECT GfxTextBox(const ID3DXFont* font, const char* text, int count, const RECT* rect, DWORD format);
