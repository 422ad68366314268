#include "platform/gfx_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gfx_internal.h"

constexpr int kFirstChar = 32;
constexpr int kCharCount = 256;
constexpr int kMaxTextQuads = 1024;

struct Glyph {
  int x, y, w, h;  // place in the atlas
  int left, top;   // bitmap offset from the pen on the baseline (top counts upward)
  int advance;
};

struct ID3DXFont {
  IDirect3DDevice8* device;
  LOGFONTA logfont;
  char file[512];
  int em_pixels;
  int ascent, descent;
  Glyph glyphs[kCharCount];
  IDirect3DTexture8* atlas;  // coverage, on GL devices only
  UINT atlas_width, atlas_height;
  // A device that draws nothing needs only advances: those are read when a text first uses
  // them, from the face kept open until then.
  FT_Face face;
  bool embolden;
  bool measured[kCharCount];
};

// The code points of Windows-1252's bytes 0x80 to 0x9F (0 where the code page has none).
static const unsigned short kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

static unsigned CodePointOf(int byte) {
  if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
  return static_cast<unsigned>(byte);
}

static FT_Library freetype;

static bool FreeTypeReady() {
  static bool tried, ok;
  if (!tried) {
    tried = true;
    ok = FT_Init_FreeType(&freetype) == 0;
  }
  return ok;
}

// What fontconfig picked for a face, weight and slant. Matching is slow (and the display is
// started again on every restart), so each request is looked up once.
struct FaceMatch {
  char face[LF_FACESIZE + 1];
  int weight, italic;
  char file[512];
  int index, matched_weight;
};
constexpr int kMaxFaceMatches = 16;
static FaceMatch face_matches[kMaxFaceMatches];
static int face_match_count;

static bool LookUpFace(FaceMatch* m) {
  static bool initialised = FcInit();
  if (!initialised) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(m->face[0] ? m->face : "sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(m->weight));
  FcPatternAddInteger(pattern, FC_SLANT, m->italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (ok) std::snprintf(m->file, sizeof m->file, "%s", reinterpret_cast<const char*>(path));
  if (FcPatternGetInteger(match, FC_INDEX, 0, &m->index) != FcResultMatch) m->index = 0;
  if (FcPatternGetInteger(match, FC_WEIGHT, 0, &m->matched_weight) != FcResultMatch) m->matched_weight = FC_WEIGHT_REGULAR;
  FcPatternDestroy(match);
  return ok;
}

// The file fontconfig picks for the face and weight; false when it picks none.
static bool MatchFace(const LOGFONTA& lf, char* file, size_t size, int* index, int* weight) {
  FaceMatch wanted = {};
  std::memcpy(wanted.face, lf.lfFaceName, LF_FACESIZE);
  wanted.weight = std::clamp<int>(lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight, 1, 1000);
  wanted.italic = lf.lfItalic != 0;
  const FaceMatch* m = nullptr;
  for (int i = 0; i < face_match_count && !m; i++) {
    const FaceMatch& c = face_matches[i];
    if (c.weight == wanted.weight && c.italic == wanted.italic && std::strcmp(c.face, wanted.face) == 0) m = &c;
  }
  if (!m) {
    if (!LookUpFace(&wanted)) return false;
    // A full table only means looking up again next time.
    if (face_match_count < kMaxFaceMatches) face_matches[face_match_count++] = wanted;
    m = &wanted;
  }
  std::snprintf(file, size, "%s", m->file);
  *index = m->index;
  *weight = m->matched_weight;
  return true;
}

// Ascent and descent as the Windows metrics of the face give them at the em size, so that lines
// stand where they stand with the original fonts.
static void LineMetrics(FT_Face face, int em, int* ascent, int* descent) {
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double units = face->units_per_EM ? face->units_per_EM : 2048;
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    *ascent = static_cast<int>(std::lround(os2->usWinAscent * em / units));
    *descent = static_cast<int>(std::lround(os2->usWinDescent * em / units));
  } else {
    *ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    *descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
  }
}

static int EmForCellHeight(FT_Face face, int cell) {
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double units = face->units_per_EM ? face->units_per_EM : 2048;
  double span = os2 && os2->usWinAscent + os2->usWinDescent > 0 ? os2->usWinAscent + os2->usWinDescent
                                                                 : face->height;
  return std::max(1, static_cast<int>(std::lround(cell * units / span)));
}

// Loads a glyph into the face's slot and takes its advance; false when the face has none for it.
static bool LoadGlyph(FT_Face face, int c, bool embolden, Glyph* g) {
  unsigned code = CodePointOf(c);
  FT_UInt index = code ? FT_Get_Char_Index(face, code) : 0;
  if (!index || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return false;
  if (embolden) FT_GlyphSlot_Embolden(face->glyph);
  g->advance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
  return true;
}

// The advance of a glyph that no text has used yet, on a device that draws nothing.
static const Glyph& Measured(const ID3DXFont* font, int c) {
  if (font->face && !font->measured[c]) {
    auto* f = const_cast<ID3DXFont*>(font);
    f->measured[c] = true;
    LoadGlyph(f->face, c, f->embolden, &f->glyphs[c]);
  }
  return font->glyphs[c];
}

// Packs every glyph's bitmap into one coverage texture, for a GL device.
static HRESULT BuildGlyphs(ID3DXFont* font, FT_Face face, bool embolden) {
  int cell = 2 * font->em_pixels + 4;
  UINT width = font->em_pixels > 60 ? 2048 : font->em_pixels > 24 ? 1024 : 512;
  int columns = std::max(1, static_cast<int>(width) / cell);
  UINT bound = static_cast<UINT>(((kCharCount - kFirstChar) / columns + 1) * cell);
  BYTE* pixels = new (std::nothrow) BYTE[static_cast<size_t>(width) * bound]();
  if (!pixels) return E_OUTOFMEMORY;
  int shelf_x = 1, shelf_y = 1, shelf_h = 0;
  for (int c = kFirstChar; c < kCharCount; c++) {
    Glyph& g = font->glyphs[c];
    if (!LoadGlyph(face, c, embolden, &g) || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    g.w = std::min<int>(bitmap.width, cell - 2);
    g.h = std::min<int>(bitmap.rows, cell - 2);
    g.left = face->glyph->bitmap_left;
    g.top = face->glyph->bitmap_top;
    if (shelf_x + g.w + 1 > static_cast<int>(width)) {
      shelf_x = 1;
      shelf_y += shelf_h + 1;
      shelf_h = 0;
    }
    g.x = shelf_x;
    g.y = shelf_y;
    for (int row = 0; row < g.h; row++) {
      std::memcpy(pixels + static_cast<size_t>(g.y + row) * width + g.x, bitmap.buffer + row * bitmap.pitch, g.w);
    }
    shelf_x += g.w + 1;
    shelf_h = std::max(shelf_h, g.h);
  }
  UINT height = std::min<UINT>(bound, static_cast<UINT>(shelf_y + shelf_h + 1));
  HRESULT result = CreateTexture(font->device, width, height, 1, 0, D3DFMT_A8, D3DPOOL_MANAGED, &font->atlas);
  D3DLOCKED_RECT locked;
  if (SUCCEEDED(result)) result = LockRect(font->atlas, 0, &locked, nullptr, 0);
  if (SUCCEEDED(result)) {
    for (UINT row = 0; row < height; row++) {
      std::memcpy(static_cast<BYTE*>(locked.pBits) + static_cast<size_t>(row) * locked.Pitch,
                  pixels + static_cast<size_t>(row) * width, width);
    }
    UnlockRect(font->atlas, 0);
  }
  font->atlas_width = width;
  font->atlas_height = height;
  delete[] pixels;
  return result;
}

HRESULT D3DXCreateFontIndirect(IDirect3DDevice8* device, const LOGFONTA* lf, ID3DXFont** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!device || !device->live || !lf || lf->lfHeight == 0) return D3DERR_INVALIDCALL;
  if (!FreeTypeReady()) return D3DERR_NOTAVAILABLE;
  auto* font = new (std::nothrow) ID3DXFont{};
  if (!font) return E_OUTOFMEMORY;
  font->device = device;
  font->logfont = *lf;
  int index = 0, matched_weight = 0;
  FT_Face face = nullptr;
  if (!MatchFace(*lf, font->file, sizeof font->file, &index, &matched_weight) ||
      FT_New_Face(freetype, font->file, index, &face) != 0) {
    delete font;
    return D3DERR_NOTAVAILABLE;
  }
  font->em_pixels = lf->lfHeight < 0 ? -lf->lfHeight : EmForCellHeight(face, lf->lfHeight);
  HRESULT result = FT_Set_Pixel_Sizes(face, 0, font->em_pixels) == 0 ? S_OK : D3DERR_NOTAVAILABLE;
  if (SUCCEEDED(result)) {
    LineMetrics(face, font->em_pixels, &font->ascent, &font->descent);
    // A face without a bold cut of its own is thickened, as Windows does.
    bool embolden = lf->lfWeight >= 600 && matched_weight < FC_WEIGHT_DEMIBOLD;
    if (device->gl) {
      result = BuildGlyphs(font, face, embolden);
    } else {
      font->face = face;
      font->embolden = embolden;
      face = nullptr;
    }
  }
  if (face) FT_Done_Face(face);
  if (FAILED(result)) {
    Release(font);
    return result;
  }
  *out = font;
  return S_OK;
}

ULONG Release(ID3DXFont* font) {
  if (!font) return 0;
  if (font->atlas) Release(font->atlas);
  if (font->face) FT_Done_Face(font->face);
  delete font;
  return 0;
}

const char* GfxFontFile(const ID3DXFont* font) { return font ? font->file : ""; }
int GfxFontEmPixels(const ID3DXFont* font) { return font ? font->em_pixels : 0; }
int GfxFontLineHeight(const ID3DXFont* font) { return font ? font->ascent + font->descent : 0; }

static int TextLength(const char* text, int count) {
  int n = 0;
  while ((count < 0 || n < count) && text[n]) n++;
  return n;
}

static int TextWidth(const ID3DXFont* font, const char* text, int length) {
  int width = 0;
  for (int i = 0; i < length; i++) {
    int c = static_cast<unsigned char>(text[i]);
    if (c >= kFirstChar) width += Measured(font, c).advance;
  }
  return width;
}

static RECT PlaceLine(const ID3DXFont* font, int width, const RECT& rect, DWORD format) {
  int height = font->ascent + font->descent;
  RECT box;
  if (format & DT_RIGHT) {
    box.left = rect.right - width;
  } else if (format & DT_CENTER) {
    box.left = rect.left + (rect.right - rect.left - width) / 2;
  } else {
    box.left = rect.left;
  }
  if (format & DT_BOTTOM) {
    box.top = rect.bottom - height;
  } else if (format & DT_VCENTER) {
    box.top = rect.top + (rect.bottom - rect.top - height) / 2;
  } else {
    box.top = rect.top;
  }
  box.right = box.left + width;
  box.bottom = box.top + height;
  return box;
}

RECT GfxTextBox(const ID3DXFont* font, const char* text, int count, const RECT* rect, DWORD format) {
  if (!font || !text || !rect) return {};
  return PlaceLine(font, TextWidth(font, text, TextLength(text, count)), *rect, format);
}

int DrawTextA(ID3DXFont* font, const char* text, int count, RECT* rect, DWORD format, D3DCOLOR color) {
  if (!font || !text || !rect || !font->device->live) return 0;
  int length = TextLength(text, count);
  int width = TextWidth(font, text, length);
  int height = font->ascent + font->descent;
  if (format & DT_CALCRECT) {
    rect->right = rect->left + width;
    rect->bottom = rect->top + height;
    return height;
  }
  IDirect3DDevice8* device = font->device;
  if (!device->in_scene) return 0;
  RECT box = PlaceLine(font, width, *rect, format);
  GfxCall call = {};
  call.op = GFX_OP_DRAW_TEXT;
  call.device = device;
  call.object = font;
  call.b = format;
  call.color = color;
  call.rect = *rect;
  call.box = box;
  std::snprintf(call.text, sizeof call.text, "%.*s", length, text);
  GfxRecord(call);
  if (device->gl && font->atlas) {
    static GfxScreenQuad quads[kMaxTextQuads];
    int n = 0;
    int pen = box.left, baseline = box.top + font->ascent;
    float uw = 1.0f / font->atlas_width, vh = 1.0f / font->atlas_height;
    for (int i = 0; i < length && n < kMaxTextQuads; i++) {
      int c = static_cast<unsigned char>(text[i]);
      if (c < kFirstChar) continue;
      const Glyph& g = font->glyphs[c];
      if (g.w > 0 && g.h > 0) {
        float x0 = static_cast<float>(pen + g.left), y0 = static_cast<float>(baseline - g.top);
        quads[n++] = {x0, y0, x0 + g.w, y0 + g.h, g.x * uw, g.y * vh, (g.x + g.w) * uw, (g.y + g.h) * vh};
      }
      pen += g.advance;
    }
    GlDrawScreenQuads(device, font->atlas, quads, n, color, (format & DT_NOCLIP) ? nullptr : rect);
  }
  return (format & (DT_VCENTER | DT_BOTTOM)) ? box.bottom - rect->top : height;
}
