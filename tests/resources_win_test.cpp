// The resources compiled into Update.exe: dialogs (compared field by field with
// the POSIX copy in FindDialogTemplate, so the two cannot drift apart), the
// application manifest and the icon. Update.exe is read as a data file from
// the build tree: <build>/tests/unit_tests.exe -> <build>/flow/Update.exe.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dialog_template.h"
#include "resource.h"
#include "winapi.h"

namespace {

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);        // 0x0411
const WORD kEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);     // 0x0409

std::string UpdateExePath() {
    char sz[MAX_PATH];
    DWORD cch = GetModuleFileNameA(nullptr, sz, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return std::string();
    std::string str(sz, cch);
    // Drop the file name, then the tests folder.
    for (int i = 0; i < 2; ++i) {
        std::string::size_type pos = str.find_last_of("\\/");
        if (pos == std::string::npos)
            return std::string();
        str.erase(pos);
    }
    return str + "\\flow\\Update.exe";
}

std::wstring Wide(const char* pszCp932) {
    int cch = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pszCp932, -1, nullptr, 0);
    if (cch <= 0) {
        ADD_FAILURE() << "not code page 932 text";
        return std::wstring();
    }
    std::wstring str(static_cast<size_t>(cch), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pszCp932, -1, &str[0], cch);
    str.resize(static_cast<size_t>(cch - 1));
    return str;
}

std::wstring AsciiLower(std::wstring str) {
    for (wchar_t& ch : str) {
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
    }
    return str;
}

// Little-endian reader over resource bytes; a read past the end sets failed.
class Reader {
public:
    Reader(const BYTE* p, size_t cb) : m_p(p), m_cb(cb) {}

    WORD Word() {
        if (m_pos + 2 > m_cb) {
            m_bFailed = true;
            return 0;
        }
        WORD w = static_cast<WORD>(m_p[m_pos] | (m_p[m_pos + 1] << 8));
        m_pos += 2;
        return w;
    }
    short Short() { return static_cast<short>(Word()); }
    DWORD Dword() {
        DWORD dwLow = Word();
        return dwLow | (static_cast<DWORD>(Word()) << 16);
    }
    // A zero-terminated UTF-16 string.
    std::wstring String() {
        std::wstring str;
        for (WORD w = Word(); w != 0 && !m_bFailed; w = Word())
            str += static_cast<wchar_t>(w);
        return str;
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }

    size_t Position() const { return m_pos; }
    bool Failed() const { return m_bFailed; }

private:
    const BYTE* m_p;
    size_t m_cb;
    size_t m_pos = 0;
    bool m_bFailed = false;
};

// A field that is either an ordinal (0xFFFF, then the number) or a string.
struct SzOrOrd {
    bool bOrdinal = false;
    WORD wOrdinal = 0;
    std::wstring str;
};

SzOrOrd ReadSzOrOrd(Reader& reader) {
    SzOrOrd value;
    WORD wFirst = reader.Word();
    if (wFirst == 0xFFFF) {
        value.bOrdinal = true;
        value.wOrdinal = reader.Word();
    } else if (wFirst != 0) {
        value.str = static_cast<wchar_t>(wFirst) + reader.String();
    }
    return value;
}

struct ParsedControl {
    DWORD dwStyle = 0, dwExStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD wId = 0;
    SzOrOrd cls, title;
    WORD cbCreationData = 0;
};

struct ParsedDialog {
    DWORD dwStyle = 0, dwExStyle = 0;
    WORD cdit = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    SzOrOrd menu, cls;
    std::wstring strCaption;
    WORD wPointSize = 0;
    std::wstring strFont;
    std::vector<ParsedControl> controls;
    size_t cbParsed = 0;
};

// Reads a DLGTEMPLATE and its DLGITEMTEMPLATEs (the standard layout).
bool ParseDialog(const BYTE* p, size_t cb, ParsedDialog& dialog) {
    Reader reader(p, cb);
    dialog.dwStyle = reader.Dword();
    dialog.dwExStyle = reader.Dword();
    dialog.cdit = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = ReadSzOrOrd(reader);
    dialog.cls = ReadSzOrOrd(reader);
    dialog.strCaption = reader.String();
    if (dialog.dwStyle & DS_SETFONT) {
        dialog.wPointSize = reader.Word();
        dialog.strFont = reader.String();
    }
    for (WORD i = 0; i < dialog.cdit && !reader.Failed(); ++i) {
        reader.AlignDword();
        ParsedControl control;
        control.dwStyle = reader.Dword();
        control.dwExStyle = reader.Dword();
        control.x = reader.Short();
        control.y = reader.Short();
        control.cx = reader.Short();
        control.cy = reader.Short();
        control.wId = reader.Word();
        control.cls = ReadSzOrOrd(reader);
        control.title = ReadSzOrOrd(reader);
        control.cbCreationData = reader.Word();
        dialog.controls.push_back(control);
    }
    dialog.cbParsed = reader.Position();
    return !reader.Failed();
}

struct ResourceBytes {
    const BYTE* p = nullptr;
    DWORD cb = 0;
};

class ResourcesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_strPath = UpdateExePath();
        s_hModule = LoadLibraryExA(s_strPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (s_hModule != nullptr)
            FreeLibrary(s_hModule);
        s_hModule = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(s_hModule, nullptr) << "cannot load " << s_strPath;
    }

    // The resource in exactly this language; empty when there is none.
    static ResourceBytes Find(LPCSTR pszType, WORD wName, WORD wLanguage) {
        ResourceBytes bytes;
        HRSRC hResource = FindResourceExA(s_hModule, pszType, MAKEINTRESOURCEA(wName), wLanguage);
        if (hResource == nullptr)
            return bytes;
        HGLOBAL hData = LoadResource(s_hModule, hResource);
        if (hData == nullptr)
            return bytes;
        bytes.p = static_cast<const BYTE*>(LockResource(hData));
        bytes.cb = SizeofResource(s_hModule, hResource);
        return bytes;
    }

    static std::set<WORD> Languages(LPCSTR pszType, WORD wName) {
        std::set<WORD> languages;
        EnumResourceLanguagesA(s_hModule, pszType, MAKEINTRESOURCEA(wName), AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }
    // A function, not a lambda: it must be CALLBACK (__stdcall).
    static BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD wLanguage, LONG_PTR lParam) {
        reinterpret_cast<std::set<WORD>*>(lParam)->insert(wLanguage);
        return TRUE;
    }

    static std::string s_strPath;
    static HMODULE s_hModule;
};

std::string ResourcesTest::s_strPath;
HMODULE ResourcesTest::s_hModule = nullptr;

// ---- dialogs ----

void ExpectClass(const SzOrOrd& cls, const char* pszClass) {
    if (std::strcmp(pszClass, "Button") == 0 || std::strcmp(pszClass, "Static") == 0) {
        // Predefined classes go by their atoms.
        EXPECT_TRUE(cls.bOrdinal) << "class by name: " << testing::PrintToString(cls.str);
        EXPECT_EQ(cls.wOrdinal, std::strcmp(pszClass, "Button") == 0 ? 0x0080 : 0x0082);
    } else {
        // windres upper-cases class names; the system matches them regardless of case.
        EXPECT_FALSE(cls.bOrdinal) << "class by atom " << cls.wOrdinal;
        EXPECT_EQ(AsciiLower(cls.str), AsciiLower(Wide(pszClass)));
    }
}

TEST_F(ResourcesTest, DialogsMatchTheirPosixTemplates) {
    for (WORD wId : {WORD(IDD_CONFIRM), WORD(IDD_PROGRESS)}) {
        SCOPED_TRACE(wId);
        const DialogTemplate* pExpected = FindDialogTemplate(wId);
        ASSERT_NE(pExpected, nullptr);
        ResourceBytes bytes = Find(MAKEINTRESOURCEA(5) /* RT_DIALOG */, wId, kJapanese);
        ASSERT_NE(bytes.p, nullptr) << "no Japanese dialog";
        ASSERT_GE(bytes.cb, 4u);

        // DLGTEMPLATEEX would start with version 1 and signature 0xFFFF.
        WORD wFirst = static_cast<WORD>(bytes.p[0] | (bytes.p[1] << 8));
        WORD wSecond = static_cast<WORD>(bytes.p[2] | (bytes.p[3] << 8));
        EXPECT_FALSE(wFirst == 1 && wSecond == 0xFFFF) << "extended dialog template";

        ParsedDialog dialog;
        ASSERT_TRUE(ParseDialog(bytes.p, bytes.cb, dialog)) << "template runs past its " << bytes.cb << " bytes";
        EXPECT_LT(bytes.cb - dialog.cbParsed, 4u) << "bytes left after the last control";

        EXPECT_EQ(dialog.dwStyle, pExpected->dwStyle);
        EXPECT_EQ(dialog.dwExStyle, 0u);
        EXPECT_EQ(dialog.x, pExpected->x);
        EXPECT_EQ(dialog.y, pExpected->y);
        EXPECT_EQ(dialog.cx, pExpected->cx);
        EXPECT_EQ(dialog.cy, pExpected->cy);
        EXPECT_FALSE(dialog.menu.bOrdinal);
        EXPECT_TRUE(dialog.menu.str.empty()) << "menu";
        EXPECT_FALSE(dialog.cls.bOrdinal);
        EXPECT_TRUE(dialog.cls.str.empty()) << "class";
        EXPECT_EQ(dialog.strCaption, Wide(pExpected->pszCaption));
        EXPECT_EQ(dialog.wPointSize, pExpected->wPointSize);
        EXPECT_EQ(dialog.strFont, Wide(pExpected->pszFont));

        ASSERT_EQ(dialog.cdit, pExpected->nControls);
        for (int i = 0; i < pExpected->nControls; ++i) {
            SCOPED_TRACE(i);
            const DialogControl& want = pExpected->pControls[i];
            const ParsedControl& control = dialog.controls[static_cast<size_t>(i)];
            EXPECT_EQ(control.dwStyle, want.dwStyle);
            EXPECT_EQ(control.dwExStyle, 0u);
            EXPECT_EQ(control.x, want.x);
            EXPECT_EQ(control.y, want.y);
            EXPECT_EQ(control.cx, want.cx);
            EXPECT_EQ(control.cy, want.cy);
            EXPECT_EQ(control.wId, static_cast<WORD>(want.nId));
            ExpectClass(control.cls, want.pszClass);
            EXPECT_FALSE(control.title.bOrdinal);
            EXPECT_EQ(control.title.str, Wide(want.pszText));
            EXPECT_EQ(control.cbCreationData, 0);
        }
    }
}

// A second copy in another language would be picked on some systems instead.
TEST_F(ResourcesTest, EachResourceHasOneLanguage) {
    struct Case {
        const char* pszWhat;
        LPCSTR pszType;
        WORD wName;
        WORD wLanguage;
    };
    const Case cases[] = {
        {"confirmation dialog", MAKEINTRESOURCEA(5) /* RT_DIALOG */, IDD_CONFIRM, kJapanese},
        {"progress dialog", MAKEINTRESOURCEA(5) /* RT_DIALOG */, IDD_PROGRESS, kJapanese},
        {"icon group", MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDI_UPDATE, kJapanese},
        {"icon image", MAKEINTRESOURCEA(3) /* RT_ICON */, 1, kJapanese},
        {"manifest", MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1, kEnglishUS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(Languages(c.pszType, c.wName), std::set<WORD>{c.wLanguage});
    }
}

// ---- manifest ----

struct XmlElement {
    std::string strPath;  // names from the root, separated by '/'
    std::map<std::string, std::string> attributes;

    bool operator==(const XmlElement& other) const {
        return strPath == other.strPath && attributes == other.attributes;
    }
};

void PrintTo(const XmlElement& element, std::ostream* pOut) {
    *pOut << element.strPath << " {";
    for (const auto& attribute : element.attributes)
        *pOut << ' ' << attribute.first << "=\"" << attribute.second << '"';
    *pOut << " }";
}

bool IsSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }
bool IsNameChar(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ch == '_' || ch == ':' || ch == '.' || ch == '-';
}

// Just enough XML for a manifest: an optional declaration, then elements with
// double-quoted attributes and only white space between the tags. Returns an
// empty string, or what is wrong.
std::string ParseXml(const std::string& text, std::vector<XmlElement>& elements) {
    size_t pos = 0;
    if (text.compare(0, 6, "<?xml ") == 0) {
        pos = text.find("?>");
        if (pos == std::string::npos)
            return "unterminated declaration";
        pos += 2;
    }
    std::vector<std::string> open;
    int nRoots = 0;
    auto readName = [&]() {
        size_t start = pos;
        while (pos < text.size() && IsNameChar(text[pos]))
            ++pos;
        return text.substr(start, pos - start);
    };
    auto skipSpace = [&]() {
        while (pos < text.size() && IsSpace(text[pos]))
            ++pos;
    };
    for (;;) {
        skipSpace();
        if (pos == text.size())
            break;
        if (text[pos] != '<')
            return "text outside a tag at " + std::to_string(pos);
        ++pos;
        if (pos < text.size() && text[pos] == '/') {
            ++pos;
            std::string strName = readName();
            skipSpace();
            if (pos >= text.size() || text[pos] != '>')
                return "bad end tag " + strName;
            ++pos;
            if (open.empty() || open.back() != strName)
                return "end tag " + strName + " does not close the open element";
            open.pop_back();
            continue;
        }
        std::string strName = readName();
        if (strName.empty())
            return "not an element at " + std::to_string(pos);
        if (open.empty() && ++nRoots > 1)
            return "second root element " + strName;
        XmlElement element;
        for (const std::string& strParent : open)
            element.strPath += strParent + "/";
        element.strPath += strName;
        for (;;) {
            skipSpace();
            if (text.compare(pos, 2, "/>") == 0) {
                pos += 2;
                break;
            }
            if (text.compare(pos, 1, ">") == 0) {
                ++pos;
                open.push_back(strName);
                break;
            }
            std::string strAttribute = readName();
            if (strAttribute.empty() || text.compare(pos, 2, "=\"") != 0)
                return "bad attribute in " + strName;
            pos += 2;
            size_t end = text.find('"', pos);
            if (end == std::string::npos)
                return "unterminated attribute " + strAttribute;
            if (!element.attributes.emplace(strAttribute, text.substr(pos, end - pos)).second)
                return "attribute " + strAttribute + " twice";
            pos = end + 1;
        }
        elements.push_back(element);
    }
    if (!open.empty())
        return "element " + open.back() + " not closed";
    return std::string();
}

TEST_F(ResourcesTest, ManifestAsksForTheHighestAvailableLevelAndNothingElse) {
    ResourceBytes bytes = Find(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1, kEnglishUS);
    ASSERT_NE(bytes.p, nullptr) << "no English (US) manifest 1";
    EXPECT_EQ(bytes.cb, 471u);

    std::string text(reinterpret_cast<const char*>(bytes.p), bytes.cb);
    std::vector<XmlElement> elements;
    ASSERT_EQ(ParseXml(text, elements), "");

    const std::string kTrust = "assembly/trustInfo";
    const std::string kPrivileges = kTrust + "/security/requestedPrivileges";
    const std::vector<XmlElement> expected = {
        {"assembly", {{"xmlns", "urn:schemas-microsoft-com:asm.v1"}, {"manifestVersion", "1.0"}}},
        {"assembly/assemblyIdentity",
         {{"version", "1.0.0.0"}, {"processorArchitecture", "X86"}, {"name", "Update.exe"}, {"type", "win32"}}},
        {kTrust, {{"xmlns", "urn:schemas-microsoft-com:asm.v3"}}},
        {kTrust + "/security", {}},
        {kPrivileges, {}},
        {kPrivileges + "/requestedExecutionLevel", {{"level", "highestAvailable"}, {"uiAccess", "false"}}},
    };
    EXPECT_EQ(elements, expected);
}

// The manifest checker itself, on texts it must refuse.
TEST(ManifestXmlTest, MalformedTextIsRefused) {
    const char* const texts[] = {
        "<a><b></a></b>",
        "<a>text</a>",
        "<a x=\"1\" x=\"2\"/>",
        "<a x=1/>",
        "<a/><b/>",
        "<a>",
        "<?xml version=\"1.0\"",
        "<!-- comment --><a/>",
    };
    for (const char* pszText : texts) {
        SCOPED_TRACE(pszText);
        std::vector<XmlElement> elements;
        EXPECT_NE(ParseXml(pszText, elements), "");
    }
}

// ---- icon ----

DWORD ReadDword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}
WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

TEST_F(ResourcesTest, IconGroupHoldsOneSixteenColourImage) {
    ResourceBytes group = Find(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDI_UPDATE, kJapanese);
    ASSERT_NE(group.p, nullptr) << "no Japanese icon group";
    ASSERT_EQ(group.cb, 6u + 14u);  // GRPICONDIR, one GRPICONDIRENTRY
    EXPECT_EQ(ReadWord(group.p + 0), 0);  // reserved
    EXPECT_EQ(ReadWord(group.p + 2), 1);  // icons, not cursors
    EXPECT_EQ(ReadWord(group.p + 4), 1);  // entries
    const BYTE* pEntry = group.p + 6;
    EXPECT_EQ(pEntry[0], 32);             // width
    EXPECT_EQ(pEntry[1], 32);             // height
    EXPECT_EQ(pEntry[2], 16);             // colours
    EXPECT_EQ(pEntry[3], 0);
    EXPECT_EQ(ReadWord(pEntry + 4), 1);   // planes
    EXPECT_EQ(ReadWord(pEntry + 6), 4);   // bits per pixel
    EXPECT_EQ(ReadDword(pEntry + 8), 744u);
    EXPECT_EQ(ReadWord(pEntry + 12), 1);  // RT_ICON identifier

    // The system picks that image for a 32 x 32 icon.
    EXPECT_EQ(LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.p), TRUE, 32, 32, 0), 1);
}

TEST_F(ResourcesTest, IconImageIsAThirtyTwoPixelSixteenColourBitmapWithMask) {
    ResourceBytes image = Find(MAKEINTRESOURCEA(3) /* RT_ICON */, 1, kJapanese);
    ASSERT_NE(image.p, nullptr) << "no Japanese icon image 1";
    ASSERT_EQ(image.cb, 744u);
    const BYTE* p = image.p;
    EXPECT_EQ(ReadDword(p + 0), 40u);        // biSize
    EXPECT_EQ(ReadDword(p + 4), 32u);        // biWidth
    EXPECT_EQ(ReadDword(p + 8), 64u);        // biHeight: colours and mask
    EXPECT_EQ(ReadWord(p + 12), 1);          // biPlanes
    EXPECT_EQ(ReadWord(p + 14), 4);          // biBitCount
    EXPECT_EQ(ReadDword(p + 16), 0u);        // biCompression: BI_RGB
    DWORD dwColoursUsed = ReadDword(p + 32);
    EXPECT_TRUE(dwColoursUsed == 0 || dwColoursUsed == 16) << dwColoursUsed;

    // The standard 16-colour palette, as blue, green, red, 0.
    static const BYTE kPalette[16][3] = {
        {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
        {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
        {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
        {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
    };
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const BYTE* pQuad = p + 40 + 4 * i;
        EXPECT_EQ(pQuad[2], kPalette[i][0]);  // red
        EXPECT_EQ(pQuad[1], kPalette[i][1]);  // green
        EXPECT_EQ(pQuad[0], kPalette[i][2]);  // blue
        EXPECT_EQ(pQuad[3], 0);
    }

    // Rows are stored bottom first: 16 bytes of colour indexes, then the mask
    // at 4 bytes a row (1 = transparent).
    const BYTE* pColours = p + 40 + 64;
    const BYTE* pMask = pColours + 32 * 16;
    int nTransparent = 0, nBlue = 0, nBlueInLowerHalf = 0, nVisibleUnderTransparent = 0;
    for (int y = 0; y < 32; ++y) {
        const int stored = 31 - y;
        for (int x = 0; x < 32; ++x) {
            BYTE b = pColours[stored * 16 + x / 2];
            int index = (x % 2 == 0) ? (b >> 4) : (b & 0x0F);
            bool bTransparent = (pMask[stored * 4 + x / 8] >> (7 - x % 8)) & 1;
            if (bTransparent) {
                ++nTransparent;
                // Colour 0 under the mask leaves the background as it is;
                // any other would show through as an inverted speck.
                if (index != 0)
                    ++nVisibleUnderTransparent;
            } else if (index == 12) {
                ++nBlue;
                if (y >= 16)
                    ++nBlueInLowerHalf;
            }
        }
    }
    EXPECT_GT(nTransparent, 0) << "no transparent background";
    EXPECT_LT(nTransparent, 32 * 32) << "nothing drawn";
    EXPECT_EQ(nVisibleUnderTransparent, 0);
    EXPECT_GT(nBlue, 0) << "no blue screen";
    // The screen is on the monitor, above the keyboard: blue below the middle
    // means the rows were stored top first.
    EXPECT_EQ(nBlueInLowerHalf, 0);

    // The corners are background.
    for (int corner = 0; corner < 4; ++corner) {
        int stored = (corner < 2) ? 0 : 31, x = (corner % 2 == 0) ? 0 : 31;
        EXPECT_TRUE((pMask[stored * 4 + x / 8] >> (7 - x % 8)) & 1) << "corner " << corner;
    }

    // And the system makes an icon of it.
    HICON hIcon = CreateIconFromResourceEx(const_cast<BYTE*>(image.p), image.cb, TRUE, 0x00030000, 32, 32, 0);
    EXPECT_NE(hIcon, nullptr);
    if (hIcon != nullptr)
        DestroyIcon(hIcon);
}

}  // namespace
