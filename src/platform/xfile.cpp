#include "platform/xfile.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <charconv>
#include <cstdlib>
#include <map>
#include <string_view>

namespace {

// Anything larger is a damaged or hostile file, not a game model.
constexpr std::size_t kMaxElements = 1u << 22;
constexpr int kMaxDepth = 64;

enum TokenKind { T_END, T_NAME, T_STRING, T_NUMBER, T_GUID, T_OBRACE, T_CBRACE, T_SEPARATOR };

// Names and strings point into the file's bytes, which outlive the parse.
struct Token {
  TokenKind kind;
  double number;
  std::string_view text;
};

struct ByteReader {
  const std::uint8_t* p;
  const std::uint8_t* end;
  bool Has(std::size_t n) const { return static_cast<std::size_t>(end - p) >= n; }
  std::uint16_t Word() {
    std::uint16_t v = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    p += 2;
    return v;
  }
  std::uint32_t Dword() {
    std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    p += 4;
    return v;
  }
};

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }

// Template names (and the keyword) are matched without regard to case, as the X-file runtime
// matches them: exporters write "TextureFileName" as often as "TextureFilename".
bool Is(std::string_view name, std::string_view wanted) {
  if (name.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < name.size(); i++) {
    char a = name[i], b = wanted[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A number as strtod reads it from a run of at most 63 number characters; the count of characters
// read, 0 when the run does not begin with a number.
std::size_t ReadNumber(const char* p, const char* end, double* value) {
  // Plain decimals ("-12.500000", nearly every number of a mesh) take a short way: a mantissa
  // below 2^53 and an exact power of ten divide to the correctly rounded value strtod gives.
  const char* q = p;
  bool negative = *q == '-';
  if (*q == '-' || *q == '+') q++;
  std::uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  for (; q < end && *q >= '0' && *q <= '9'; q++, digits++) mantissa = mantissa * 10 + std::uint64_t(*q - '0');
  if (q < end && *q == '.')
    for (q++; q < end && *q >= '0' && *q <= '9'; q++, digits++, fraction++)
      mantissa = mantissa * 10 + std::uint64_t(*q - '0');
  if (digits > 0 && digits <= 19 && mantissa <= (std::uint64_t(1) << 53) && fraction <= 22 &&
      !(q < end && (*q == 'e' || *q == 'E'))) {
    double v = double(mantissa) / kPow10[fraction];
    *value = negative ? -v : v;
    return static_cast<std::size_t>(q - p);
  }

  std::size_t n = 0;
  while (p + n < end && n < 63 && IsNumberChar(p[n])) n++;
  const char* first = p;
  if (n > 0 && *first == '+') first++;  // from_chars takes no plus sign
  std::from_chars_result r = std::from_chars(first, p + n, *value, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return 0;
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow and underflow as strtod gives them: infinity, or the nearest tiny value.
    char buffer[64];
    std::memcpy(buffer, p, n);
    buffer[n] = 0;
    *value = std::strtod(buffer, nullptr);
  }
  return static_cast<std::size_t>(r.ptr - p);
}

// Hands out the tokens of a text or binary body one at a time. At the end, and after a fault
// (which `failed` and `error` keep), every further token is T_END.
struct Lexer {
  bool text = true;
  const char* p = nullptr;  // text
  const char* end = nullptr;
  ByteReader r{nullptr, nullptr};  // binary
  int float_bits = 32;
  std::uint32_t list_left = 0;  // numbers still to hand out of a binary list
  bool list_of_ints = false;
  std::size_t count = 0;
  bool failed = false;
  std::string error;

  // Separators are passed over when asked: inside an object's data they only part the values.
  Token Next(bool past_separators = false) {
    Token t{T_END, 0, {}};
    if (failed) return t;
    do {
      t = Token{T_END, 0, {}};
      if (!(text ? Text(&t) : Binary(&t))) {
        failed = true;
        return Token{T_END, 0, {}};
      }
    } while (past_separators && t.kind == T_SEPARATOR);
    return t;
  }

  // The rest of a binary list at once: a mesh's numbers come in a few long lists, and handing
  // them out one token at a time was most of the work of loading one. Counted with its list.
  void TakeList(std::vector<double>* out) {
    if (out->capacity() - out->size() < list_left) out->reserve(std::max(out->size() + list_left, 2 * out->capacity()));
    if (list_of_ints) {
      for (; list_left > 0; list_left--) out->push_back(static_cast<double>(r.Dword()));
    } else if (float_bits == 32) {
      for (; list_left > 0; list_left--) {
        std::uint32_t bits = r.Dword();
        float f;
        std::memcpy(&f, &bits, 4);
        out->push_back(f);
      }
    } else {
      for (; list_left > 0; list_left--) {
        std::uint64_t lo = r.Dword(), hi = r.Dword();
        std::uint64_t bits = lo | (hi << 32);
        double d;
        std::memcpy(&d, &bits, 8);
        out->push_back(d);
      }
    }
  }

  // Anything larger is a damaged or hostile file.
  bool Counted(std::size_t n) {
    count += n;
    if (count > kMaxElements * 4) return error = "file too large", false;
    return true;
  }

  bool Text(Token* t) {
    while (p < end) {
      char c = *p;
      switch (c) {
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '\0':
          p++;
          continue;
        case '/':
          if (p + 1 >= end || p[1] != '/') return error = "unexpected character", false;
          [[fallthrough]];
        case '#':
          while (p < end && *p != '\n') p++;
          continue;
        case '{':
        case '}':
        case ';':
        case ',':
        case '[':
        case ']':
          t->kind = c == '{' ? T_OBRACE : c == '}' ? T_CBRACE : T_SEPARATOR;
          p++;
          return Counted(1);
        case '<': {
          const char* q = static_cast<const char*>(std::memchr(p, '>', end - p));
          if (!q) return error = "unterminated GUID", false;
          t->kind = T_GUID;
          p = q + 1;
          return Counted(1);
        }
        case '"': {
          const char* q = static_cast<const char*>(std::memchr(p + 1, '"', end - p - 1));
          if (!q) return error = "unterminated string", false;
          t->kind = T_STRING;
          t->text = std::string_view(p + 1, static_cast<std::size_t>(q - p - 1));
          p = q + 1;
          return Counted(1);
        }
        case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8': case '9':
        case '-':
        case '+':
        case '.': {
          std::size_t n = ReadNumber(p, end, &t->number);
          if (n == 0) {
            p++;  // a lone sign or the dots of an open template
            continue;
          }
          t->kind = T_NUMBER;
          p += n;
          return Counted(1);
        }
        default: {
          if (!IsNameStart(c)) return error = "unexpected character", false;
          const char* q = p;
          while (q < end && IsNameChar(*q)) q++;
          t->kind = T_NAME;
          t->text = std::string_view(p, static_cast<std::size_t>(q - p));
          p = q;
          return Counted(1);
        }
      }
    }
    return true;  // T_END
  }

  bool Binary(Token* t) {
    for (;;) {
      if (list_left > 0) {
        list_left--;
        t->kind = T_NUMBER;
        if (list_of_ints) {
          t->number = static_cast<double>(r.Dword());
        } else if (float_bits == 32) {
          std::uint32_t bits = r.Dword();
          float f;
          std::memcpy(&f, &bits, 4);
          t->number = f;
        } else {
          std::uint64_t lo = r.Dword(), hi = r.Dword();
          std::uint64_t bits = lo | (hi << 32);
          std::memcpy(&t->number, &bits, 8);
        }
        return true;  // counted with its list
      }
      if (!r.Has(2)) return true;  // T_END
      std::uint16_t token = r.Word();
      switch (token) {
        case 1:  // name
        case 2: {  // string (its terminator follows as an ordinary separator token)
          if (!r.Has(4)) return error = "truncated name", false;
          std::uint32_t n = r.Dword();
          if (!r.Has(n)) return error = "name longer than the file", false;
          t->kind = token == 1 ? T_NAME : T_STRING;
          t->text = std::string_view(reinterpret_cast<const char*>(r.p), n);
          r.p += n;
          return Counted(1);
        }
        case 3:  // integer
          if (!r.Has(4)) return error = "truncated integer", false;
          t->kind = T_NUMBER;
          t->number = static_cast<double>(r.Dword());
          return Counted(1);
        case 5:  // GUID
          if (!r.Has(16)) return error = "truncated GUID", false;
          r.p += 16;
          t->kind = T_GUID;
          return Counted(1);
        case 6:    // integer list
        case 7: {  // float list
          if (!r.Has(4)) return error = "truncated list", false;
          std::uint32_t n = r.Dword();
          std::size_t width = token == 6 ? 4 : static_cast<std::size_t>(float_bits / 8);
          if (n > kMaxElements || !r.Has(std::size_t(n) * width)) return error = "list longer than the file", false;
          if (!Counted(n)) return false;
          list_left = n;
          list_of_ints = token == 6;
          continue;
        }
        case 10:
          t->kind = T_OBRACE;
          return Counted(1);
        case 11:
          t->kind = T_CBRACE;
          return Counted(1);
        case 0:  // padding after a string terminator written as a DWORD
        case 19:
        case 20:
          t->kind = T_SEPARATOR;
          return Counted(1);
        case 31:
          t->kind = T_NAME;
          t->text = "template";
          return Counted(1);
        default:
          // The remaining stand-alone tokens appear only inside templates, which are skipped.
          if (token < 12 || token > 52) return error = "unknown binary token", false;
          t->kind = T_SEPARATOR;
          return Counted(1);
      }
    }
  }
};

// MSZIP: after the header, a DWORD total size, then blocks of (WORD uncompressed size, WORD
// compressed size, "CK", raw deflate data); each block may refer back into the one before it.
bool Inflate(const std::uint8_t* data, const std::uint8_t* end, std::vector<std::uint8_t>* out, std::string* error) {
  ByteReader r{data, end};
  if (!r.Has(4)) return *error = "truncated compressed file", false;
  std::uint32_t total = r.Dword();
  if (total > kMaxElements * 16) return *error = "compressed file too large", false;
  std::vector<std::uint8_t> previous;
  while (r.Has(4)) {
    std::uint16_t uncompressed = r.Word();
    std::uint16_t compressed = r.Word();
    if (compressed < 2 || !r.Has(compressed) || r.p[0] != 'C' || r.p[1] != 'K')
      return *error = "bad compressed block", false;
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return *error = "inflate failed", false;
    if (!previous.empty()) inflateSetDictionary(&z, previous.data(), static_cast<uInt>(previous.size()));
    std::vector<std::uint8_t> block(uncompressed);
    z.next_in = const_cast<Bytef*>(r.p + 2);
    z.avail_in = compressed - 2u;
    z.next_out = block.data();
    z.avail_out = uncompressed;
    int status = inflate(&z, Z_FINISH);
    std::size_t produced = uncompressed - z.avail_out;
    inflateEnd(&z);
    if ((status != Z_STREAM_END && status != Z_OK && status != Z_BUF_ERROR) || produced != uncompressed)
      return *error = "bad compressed data", false;
    out->insert(out->end(), block.begin(), block.end());
    previous.swap(block);
    r.p += compressed;
    if (out->size() > kMaxElements * 16) return *error = "compressed file too large", false;
  }
  return true;
}

// ---- Objects ------------------------------------------------------------------------------------

struct XObject {
  std::string_view type, name;
  std::vector<double> numbers;
  std::vector<std::string_view> strings;
  std::vector<XObject> children;
  std::vector<std::string_view> references;
};

// Reads objects straight from the lexer, one token ahead.
struct Parser {
  Lexer& lexer;
  Token current;
  std::string* error;

  const Token& Peek() const { return current; }
  Token Next() {
    Token t = current;
    if (t.kind != T_END) current = lexer.Next();
    return t;
  }

  bool SkipBlock() {
    int depth = 0;
    for (;;) {
      Token t = Next();
      if (t.kind == T_END) return *error = "unterminated template", false;
      if (t.kind == T_OBRACE) depth++;
      if (t.kind == T_CBRACE && --depth == 0) return true;
    }
  }

  // type [name] [GUID] { contents }
  bool Object(XObject* object, int depth) {
    if (depth > kMaxDepth) return *error = "objects nested too deeply", false;
    object->type = Next().text;
    if (Peek().kind == T_NAME) object->name = Next().text;
    if (Peek().kind != T_OBRACE) return *error = "expected { after " + std::string(object->type), false;
    Next();
    if (Peek().kind == T_GUID) Next();
    for (;;) {
      const Token& t = Peek();
      switch (t.kind) {
        case T_END:
          return *error = "unterminated object " + std::string(object->type), false;
        case T_CBRACE:
          Next();
          return true;
        case T_NUMBER:
          object->numbers.push_back(t.number);
          if (lexer.list_left > 0) lexer.TakeList(&object->numbers);
          current = lexer.Next(true);
          break;
        case T_STRING:
          object->strings.push_back(Next().text);
          break;
        case T_SEPARATOR:
        case T_GUID:
          current = lexer.Next(true);
          break;
        case T_OBRACE: {  // a reference: { name [GUID] }
          Next();
          std::string_view name;
          if (Peek().kind == T_NAME) name = Next().text;
          if (Peek().kind == T_GUID) Next();
          if (Next().kind != T_CBRACE) return *error = "bad reference", false;
          object->references.push_back(name);
          break;
        }
        case T_NAME: {
          XObject child;
          if (!Object(&child, depth + 1)) return false;
          object->children.push_back(std::move(child));
          break;
        }
      }
    }
  }
};

// ---- Interpretation ------------------------------------------------------------------------------

struct Matrix {
  double m[4][4];
};

Matrix Identity() {
  Matrix r{};
  for (int i = 0; i < 4; i++) r.m[i][i] = 1;
  return r;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r{};
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++)
      for (int k = 0; k < 4; k++) r.m[i][j] += a.m[i][k] * b.m[k][j];
  return r;
}

// The inverse transpose of the upper 3x3, for normals.
void NormalMatrix(const Matrix& a, double n[3][3]) {
  const double(*m)[4] = a.m;
  double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  if (std::fabs(det) < 1e-12) det = 1e-12;
  double inv[3][3];
  inv[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
  inv[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
  inv[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
  inv[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
  inv[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
  inv[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
  inv[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
  inv[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
  inv[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) n[i][j] = inv[j][i];
}

// What a mesh without a material list gets: grey, half specular, and alpha 0.
XMaterial DefaultMaterial() { return XMaterial{{0.5f, 0.5f, 0.5f, 0}, 0, {0.5f, 0.5f, 0.5f}, {0, 0, 0}, ""}; }

bool ReadMaterial(const XObject& o, XMaterial* m, std::string* error) {
  if (o.numbers.size() < 11) return *error = "short Material", false;
  const std::vector<double>& v = o.numbers;
  *m = XMaterial{{float(v[0]), float(v[1]), float(v[2]), float(v[3])},
                 float(v[4]),
                 {float(v[5]), float(v[6]), float(v[7])},
                 {float(v[8]), float(v[9]), float(v[10])},
                 ""};
  for (const XObject& c : o.children)
    if (Is(c.type, "TextureFilename") && !c.strings.empty()) m->texture = std::string(c.strings[0]);
  return true;
}

// A colour of channels 0 to 1 as ARGB bytes.
std::uint32_t PackColor(double r, double g, double b, double a) {
  auto channel = [](double x) { return static_cast<std::uint32_t>(x <= 0 ? 0 : x >= 1 ? 255 : x * 255 + 0.5); };
  return (channel(a) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

// Reads a count, then checks it against what is left.
bool Count(const std::vector<double>& v, std::size_t at, std::size_t per_item, std::size_t* count) {
  if (at >= v.size()) return false;
  double c = v[at];
  if (!(c >= 0) || c > double(kMaxElements)) return false;
  *count = static_cast<std::size_t>(c);
  return *count * per_item <= v.size() - at - 1;
}

// Polygon lists: count, then per face an index count and the indices.
bool ReadFaces(const std::vector<double>& v, std::size_t at, std::size_t vertex_count,
               std::vector<std::vector<std::uint32_t>>* faces) {
  std::size_t n;
  if (!Count(v, at, 1, &n)) return false;
  std::size_t p = at + 1;
  faces->clear();
  faces->reserve(n);
  for (std::size_t f = 0; f < n; f++) {
    if (p >= v.size()) return false;
    double k = v[p++];
    if (!(k >= 3) || k > 65536 || v.size() - p < static_cast<std::size_t>(k)) return false;
    std::vector<std::uint32_t> face(static_cast<std::size_t>(k));
    for (std::uint32_t& index : face) {
      double i = v[p++];
      if (!(i >= 0) || i >= double(vertex_count)) return false;
      index = static_cast<std::uint32_t>(i);
    }
    faces->push_back(std::move(face));
  }
  return true;
}

struct Triangle {
  XVertex corner[3];
  std::uint32_t material;  // index into the collapsed material list
  bool colored;            // its mesh has MeshVertexColors
};

struct Collector {
  std::vector<Triangle> triangles;
  std::vector<XMaterial> materials;
  std::map<std::string, XMaterial, std::less<>> named_materials;
  bool has_normals = false;
  bool has_colors = false;
  std::string* error;

  bool Mesh(const XObject& o, const Matrix& world) {
    const std::vector<double>& v = o.numbers;
    std::size_t nv;
    if (!Count(v, 0, 3, &nv)) return *error = "Mesh vertex count larger than its data", false;
    std::vector<std::vector<std::uint32_t>> faces;
    if (!ReadFaces(v, 1 + nv * 3, nv, &faces)) return *error = "Mesh faces out of range", false;

    const XObject* normals = nullptr;
    const XObject* uvs = nullptr;
    const XObject* colors = nullptr;
    const XObject* material_list = nullptr;
    for (const XObject& c : o.children) {
      if (Is(c.type, "MeshNormals")) normals = &c;
      if (Is(c.type, "MeshTextureCoords")) uvs = &c;
      if (Is(c.type, "MeshVertexColors")) colors = &c;
      if (Is(c.type, "MeshMaterialList")) material_list = &c;
    }

    std::size_t nn = 0;
    std::vector<std::vector<std::uint32_t>> normal_faces;
    if (normals) {
      if (!Count(normals->numbers, 0, 3, &nn)) return *error = "MeshNormals count larger than its data", false;
      if (!ReadFaces(normals->numbers, 1 + nn * 3, nn, &normal_faces) || normal_faces.size() != faces.size())
        return *error = "MeshNormals faces out of range", false;
      for (std::size_t f = 0; f < faces.size(); f++)
        if (normal_faces[f].size() != faces[f].size()) return *error = "MeshNormals faces out of range", false;
      has_normals = true;
    }
    std::size_t nt = 0;
    if (uvs && (!Count(uvs->numbers, 0, 2, &nt) || nt < nv))
      return *error = "MeshTextureCoords count does not match the vertices", false;
    std::vector<std::uint32_t> vertex_colors(nv, 0xFFFFFFFFu);
    if (colors) {
      has_colors = true;
      std::size_t nc;
      if (!Count(colors->numbers, 0, 5, &nc)) return *error = "MeshVertexColors count larger than its data", false;
      for (std::size_t i = 0; i < nc; i++) {
        const double* c = &colors->numbers[1 + i * 5];
        if (!(c[0] >= 0) || c[0] >= double(nv)) return *error = "MeshVertexColors index out of range", false;
        vertex_colors[static_cast<std::size_t>(c[0])] = PackColor(c[1], c[2], c[3], c[4]);
      }
    }

    // Materials of this mesh, then the material of every face.
    std::vector<XMaterial> mesh_materials;
    std::vector<std::uint32_t> face_material(faces.size(), 0);
    if (material_list) {
      const std::vector<double>& m = material_list->numbers;
      std::size_t count, indexed;
      if (!Count(m, 0, 0, &count) || !Count(m, 1, 1, &indexed))
        return *error = "MeshMaterialList counts larger than its data", false;
      for (const XObject& c : material_list->children) {
        if (!Is(c.type, "Material")) continue;
        XMaterial mat;
        if (!ReadMaterial(c, &mat, error)) return false;
        mesh_materials.push_back(mat);
      }
      for (std::string_view name : material_list->references) {
        auto found = named_materials.find(name);
        if (found == named_materials.end()) return *error = "unknown material " + std::string(name), false;
        mesh_materials.push_back(found->second);
      }
      if (mesh_materials.size() < count) return *error = "MeshMaterialList names fewer materials than it counts", false;
      mesh_materials.resize(count);
      for (std::size_t f = 0; f < faces.size(); f++) {
        // A short list repeats its last entry.
        if (indexed == 0) break;
        double i = m[2 + std::min(f, indexed - 1)];
        if (!(i >= 0) || i >= double(count)) return *error = "material index out of range", false;
        face_material[f] = static_cast<std::uint32_t>(i);
      }
    }
    if (mesh_materials.empty()) mesh_materials.push_back(DefaultMaterial());

    double nm[3][3];
    NormalMatrix(world, nm);
    std::uint32_t base = static_cast<std::uint32_t>(materials.size());
    materials.insert(materials.end(), mesh_materials.begin(), mesh_materials.end());

    auto corner = [&](std::size_t f, std::size_t k) {
      XVertex x{};
      std::uint32_t vi = faces[f][k];
      const double* p = &v[1 + vi * 3];
      for (int j = 0; j < 3; j++)
        x.position[j] = float(p[0] * world.m[0][j] + p[1] * world.m[1][j] + p[2] * world.m[2][j] + world.m[3][j]);
      if (normals) {
        const double* n = &normals->numbers[1 + normal_faces[f][k] * 3];
        double t[3];
        for (int j = 0; j < 3; j++) t[j] = n[0] * nm[0][j] + n[1] * nm[1][j] + n[2] * nm[2][j];
        double len = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
        if (len > 0)
          for (int j = 0; j < 3; j++) x.normal[j] = float(t[j] / len);
      }
      if (uvs) {
        x.uv[0] = float(uvs->numbers[1 + vi * 2]);
        x.uv[1] = float(uvs->numbers[2 + vi * 2]);
      }
      x.color = vertex_colors[vi];
      return x;
    };
    for (std::size_t f = 0; f < faces.size(); f++)
      for (std::size_t k = 1; k + 1 < faces[f].size(); k++) {
        if (triangles.size() >= kMaxElements) return *error = "too many triangles", false;
        triangles.push_back({{corner(f, 0), corner(f, k), corner(f, k + 1)}, base + face_material[f], colors != nullptr});
      }
    return true;
  }

  // The frame's matrix moves what follows it in the file: a mesh or frame read before it keeps
  // the parent's transform alone.
  bool Frame(const XObject& o, const Matrix& parent, int depth) {
    Matrix world = parent;
    for (const XObject& c : o.children) {
      if (Is(c.type, "FrameTransformMatrix")) {
        if (c.numbers.size() < 16) return *error = "short FrameTransformMatrix", false;
        Matrix local;
        for (int i = 0; i < 16; i++) local.m[i / 4][i % 4] = c.numbers[i];
        world = Multiply(local, parent);
      }
      if (Is(c.type, "Mesh") && !Mesh(c, world)) return false;
      if (Is(c.type, "Frame") && !Frame(c, world, depth + 1)) return false;
    }
    return true;
  }
};

}  // namespace

bool ReadXFile(const std::uint8_t* data, std::size_t size, XMeshData* out, std::string* error) {
  *out = XMeshData{};
  std::string scratch;
  if (!error) error = &scratch;
  if (size < 16 || std::memcmp(data, "xof ", 4) != 0) return *error = "not an .x file", false;
  if (std::memcmp(data + 4, "0302", 4) != 0 && std::memcmp(data + 4, "0303", 4) != 0)
    return *error = "unsupported .x version", false;
  int float_bits = std::memcmp(data + 12, "0064", 4) == 0 ? 64 : std::memcmp(data + 12, "0032", 4) == 0 ? 32 : 0;
  if (!float_bits) return *error = "bad float size", false;

  std::vector<std::uint8_t> inflated;
  const std::uint8_t* body = data + 16;
  const std::uint8_t* end = data + size;
  bool text;
  if (std::memcmp(data + 8, "txt ", 4) == 0 || std::memcmp(data + 8, "bin ", 4) == 0) {
    text = data[8] == 't';
  } else if (std::memcmp(data + 8, "tzip", 4) == 0 || std::memcmp(data + 8, "bzip", 4) == 0) {
    text = data[8] == 't';
    if (!Inflate(body, end, &inflated, error)) return false;
    body = inflated.data();
    end = inflated.data() + inflated.size();
  } else {
    return *error = "unknown .x format", false;
  }

  Lexer lexer;
  lexer.text = text;
  lexer.p = reinterpret_cast<const char*>(body);
  lexer.end = reinterpret_cast<const char*>(end);
  lexer.r = ByteReader{body, end};
  lexer.float_bits = float_bits;
  std::string parse_error;
  Parser parser{lexer, lexer.Next(), &parse_error};
  std::vector<XObject> top;
  bool parsed = true;
  while (parsed && parser.Peek().kind != T_END) {
    const Token& t = parser.Peek();
    if (t.kind == T_NAME && Is(t.text, "template")) {
      parsed = parser.SkipBlock();
    } else if (t.kind == T_NAME) {
      XObject o;
      parsed = parser.Object(&o, 0);
      top.push_back(std::move(o));
    } else {
      parser.Next();
    }
  }
  // A fault in the bytes anywhere in the file is the reason given, before any fault of structure.
  if (!parsed)
    while (lexer.Next().kind != T_END) {
    }
  if (lexer.failed) return *error = lexer.error, false;
  if (!parsed) return *error = parse_error, false;

  Collector collector;
  collector.error = error;
  for (const XObject& o : top) {
    if (Is(o.type, "Material")) {
      XMaterial m;
      if (!ReadMaterial(o, &m, error)) return false;
      collector.named_materials[std::string(o.name)] = m;
    }
  }
  Matrix identity = Identity();
  for (const XObject& o : top) {
    if (Is(o.type, "Mesh") && !collector.Mesh(o, identity)) return false;
    if (Is(o.type, "Frame") && !collector.Frame(o, identity, 0)) return false;
  }
  if (collector.triangles.empty()) return *error = "no mesh in the file", false;

  // One subset per material, in material order.
  std::vector<std::uint32_t> per_material(collector.materials.size(), 0);
  for (const Triangle& t : collector.triangles) per_material[t.material]++;
  std::vector<std::uint32_t> first(collector.materials.size(), 0);
  for (std::size_t i = 1; i < first.size(); i++) first[i] = first[i - 1] + per_material[i - 1];
  out->vertices.resize(collector.triangles.size() * 3);
  std::vector<std::uint32_t> fill = first;
  for (const Triangle& t : collector.triangles) {
    std::uint32_t slot = fill[t.material]++;
    for (int k = 0; k < 3; k++) out->vertices[slot * 3 + k] = t.corner[k];
    // Collapsed with a mesh that has colours, a mesh without keeps its look lit: its material's.
    if (collector.has_colors && !t.colored) {
      const float* d = collector.materials[t.material].diffuse;
      for (int k = 0; k < 3; k++) out->vertices[slot * 3 + k].color = PackColor(d[0], d[1], d[2], d[3]);
    }
  }
  out->materials = collector.materials;
  for (std::size_t i = 0; i < collector.materials.size(); i++) out->subsets.push_back({first[i], per_material[i]});
  out->has_normals = collector.has_normals;
  out->has_colors = collector.has_colors;
  return true;
}

bool CompressXFile(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* out) {
  if (size < 16 || std::memcmp(data, "xof ", 4) != 0) return false;
  bool text = std::memcmp(data + 8, "txt ", 4) == 0;
  if (!text && std::memcmp(data + 8, "bin ", 4) != 0) return false;
  out->assign(data, data + 16);
  std::memcpy(out->data() + 8, text ? "tzip" : "bzip", 4);
  std::uint32_t total = static_cast<std::uint32_t>(size);
  for (int i = 0; i < 4; i++) out->push_back(static_cast<std::uint8_t>(total >> (8 * i)));
  const std::size_t kBlock = 32768;
  const std::uint8_t* previous = nullptr;
  std::size_t previous_size = 0;
  for (std::size_t at = 16; at < size; at += kBlock) {
    std::size_t n = std::min(kBlock, size - at);
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    if (previous) deflateSetDictionary(&z, previous, static_cast<uInt>(previous_size));
    std::vector<std::uint8_t> packed(deflateBound(&z, n) + 2);
    packed[0] = 'C';
    packed[1] = 'K';
    z.next_in = const_cast<Bytef*>(data + at);
    z.avail_in = static_cast<uInt>(n);
    z.next_out = packed.data() + 2;
    z.avail_out = static_cast<uInt>(packed.size() - 2);
    int status = deflate(&z, Z_FINISH);
    std::size_t length = packed.size() - z.avail_out;
    deflateEnd(&z);
    if (status != Z_STREAM_END || length > 0xFFFF) return false;
    out->push_back(static_cast<std::uint8_t>(n)), out->push_back(static_cast<std::uint8_t>(n >> 8));
    out->push_back(static_cast<std::uint8_t>(length)), out->push_back(static_cast<std::uint8_t>(length >> 8));
    out->insert(out->end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(length));
    previous = data + at;
    previous_size = n;
  }
  return true;
}
