// The kind, legacy-code, display-name and kind-name tables and the two category lookups over them.
#include "assetdb/category_tables.h"

#include "assetdb/category_codes.h"
#include "zel/ascii.h"

namespace {

struct KindCategoryText {
    const char* kind;
    const char* subTypes;
    const char* categoryList;
};

// First match wins: rows with a sub-type expression come before the plain
// row of their kind, and later rows shadowed by earlier ones stay as they are.
constexpr KindCategoryText KindCategoryTexts[] = {
    {"fixedtrack", "", "FIXD;SWT"},
    {"bridge", "road;tunnels", "SPLN;TUN"},
    {"bridge", "road", "SPLN;BRG"},
    {"bridge", "bridges", "TK;BRG"},
    {"bridge", "tunnels", "TK;TUN"},
    {"bridge", "track", "TK"},
    {"bridge", "rails", "TK"},
    {"bridge", "", "SPLN;BRG"},
    {"spline", "", "SPLN;BRG"},
    {"track", "road", "SPLN"},
    {"track", "rails", "TK"},
    {"track", "track", "TK"},
    {"track", "", "SPLN"},
    {"groundbrush", "", "BRSH"},
    {"groundtexture", "", "TX;ENV;GRND"},
    {"map", "", "RT"},
    {"industry", "", "BD;IND;ACTV;FIXD"},
    {"profile", "", "SS"},
    {"scenery", "trackside", "TO"},
    {"scenery", "", "SY;SCEN"},
    {"mospeedboard", "", "TO;?WS"},
    {"mosignal", "", "TO;?WA"},
    {"mojunction", "", "TO;?WX"},
    {"mocrossing", "", "FIXD;CROS"},
    {"buildable", "", "BD;BDB;FIXD"},
    {"turntable", "", "FIXD;TURN"},
    {"traincar", "tender", "TR;TV;TEND"},
    {"traincar", "locomotive", "TR;TV;LOCO"},
    {"traincar", "rollingstock", "TR;TV;ROLL"},
    {"traincar", "", "TR;TV"},
    {"consist", "", "CN"},
    {"water2", "", "?EW"},
    {"environment", "", "?ENV"},
    {"engine", "", "TR;CMP;ESPC"},
    {"steam-engine", "", "TR;CMP;ESPC"},
    {"bogey", "", "TR;CMP;BOGY"},
    {"interior", "", "TR;CMP;INTR"},
    {"pantograph", "", "TR;CMP;PANT"},
    {"hornsound", "", "TR;CMP;HORN;SD"},
    {"enginesound", "", "TR;CMP;ESND;SD"},
    {"region", "", "REGN"},
    {"activity", "", "SC"},
    {"behavior", "", "RU;GEN"},
    {"drivercharacter", "", "DR"},
    {"drivercommand", "", "SQ;GEN"},
    {"library", "", "SLIB"},
    {"kni-render-plugin", "", "SLIB"},
    {"servlet", "", "SVLT"},
    {"gameplaymenu", "", "GMNU"},
    {"product", "", "PROD"},
    {"product-category", "", "PRDC"},
    {"html-asset", "", "HT"},
    {"mesh", "", "CMP;MESH"},
    {"texture", "", "CMP;TX"},
    {"tracksound", "", "CMP;TSND;SD"},
    {"achievement-group", "", "ACHG"},
    {"achievement-category", "", "ACHC"},
    {"library", "achievementvariable", "SLIB;ACHU"},
};
static_assert(sizeof(KindCategoryTexts) / sizeof(KindCategoryTexts[0]) == KindCategoryRowCount);

constexpr LegacyCodeCategoryRow LegacyCodeRows[] = {
    {"traincar", "AA", "TR;TV;LOC;ELEC"},
    {"traincar", "AC", "TR;TV;LOC;ELEC"},
    {"traincar", "AE", "TR;TV;LOC;OTHR"},
    {"traincar", "AD", "TR;TV;LOC;ELEC"},
    {"traincar", "AG", "TR;TV;LOC;OTHR"},
    {"traincar", "AH", "TR;TV;LOC;DIES"},
    {"traincar", "AL", "TR;TV;LOC;DIES"},
    {"traincar", "AM", "TR;TV;LOC;OTHR"},
    {"traincar", "AS", "TR;TV;TDR"},
    {"traincar", "AS", "TR;TV;LOC;STEM"},
    {"traincar", "AT", "TR;TV;LOC;STEM"},
    {"buildable", "BB", "BD;BDB;FIXD"},
    {"scenery", "BC", "BD;COM"},
    {"scenery", "BH", "BD;RES"},
    {"scenery", "BI", "BD;IND;NACT"},
    {"industry", "BIN", "BD;IND;ACTV"},
    {"scenery", "BPN", "BD;STA;NACT"},
    {"industry", "BPF", "BD;STA;ACTV"},
    {"scenery", "BR", "BD;RRD"},
    {"scenery", "BS", "BD;SPC"},
    {"scenery", "BU", "BD;UTL"},
    {"scenery", "BT", "RD;ACC"},
    {"scenery", "BR", "TO;CAT"},
    {"traincar", "CB", "TR;TV;CAB"},
    {"traincar", "CC", "TR;TV;CAB"},
    {"environment", "ES", "TX;ENV;SKYS"},
    {"water2", "EW", "TX;ENV;AQUA"},
    {"", "FT", "FL;SCEN"},
    {"", "FC", "FL;SCEN"},
    {"", "FF", "FL;SCEN"},
    {"", "FO", "FL;SCEN"},
    {"", "FS", "FL;SCEN"},
    {"groundtexture", "GA", "TX;ENV;GRND"},
    {"groundtexture", "GL", "TX;ENV;GRND"},
    {"groundtexture", "GS", "TX;ENV;GRND"},
    {"mesh", "HM", "CMP;MESH"},
    {"product", "IC", "CY;CON"},
    {"product", "IP", "CY;PAX"},
    {"product", "IB", "CY;BKL"},
    {"product", "IL", "CY;LIQ"},
    {"texture", "JC", "TX;NEV"},
    {"texture", "JI", "TX;NEV"},
    {"texture", "JO", "TX;NEV"},
    {"texture", "JP", "TX;NEV"},
    {"texture-group", "JO", "TX;NEV"},
    {"traincar", "LT", "TR;TV;TRM"},
    {"traincar", "LS", "TR;TV;LTR"},
    {"traincar", "LM", "TR;TV;MNR"},
    {"traincar", "MA", "TR;TV;MNT"},
    {"traincar", "MB", "TR;TV;FRT;HOPP"},
    {"traincar", "MC", "TR;TV;MNT"},
    {"traincar", "MD", "TR;TV;MNT"},
    {"traincar", "ME", "TR;TV;MNT"},
    {"traincar", "MF", "TR;TV;MNT"},
    {"traincar", "MI", "TR;TV;MNT"},
    {"traincar", "MT", "TR;TV;MNT"},
    {"traincar", "MP", "TR;TV;MNT"},
    {"traincar", "MS", "TR;TV;MNT"},
    {"traincar", "MX", "TR;TV;MNT"},
    {"traincar", "MW", "TR;TV;MNT"},
    {"", "OA", "FA"},
    {"", "OH", "PP"},
    {"drivercharacter", "OHD", "DR"},
    {"traincar", "PA", "TR;TV;PAX;SEAT"},
    {"traincar", "PC", "TR;TV;PAX;SEAT"},
    {"traincar", "PD", "TR;TV;PAX;SEAT"},
    {"traincar", "PO", "TR;TV;PAX;SEAT"},
    {"traincar", "PB", "TR;TV;PAX;MAIL"},
    {"traincar", "PM", "TR;TV;PAX;MAIL"},
    {"traincar", "PS", "TR;TV;PAX;OTHR"},
    {"traincar", "PP", "TR;TV;PAX;OTHR"},
    {"traincar", "PL", "TR;TV;PAX;OTHR"},
    {"traincar", "PH", "TR;TV;PAX;OTHR"},
    {"traincar", "PR", "TR;TV;PAX;OTHR"},
    {"traincar", "PU", "TR;TV;PAX;OTHR"},
    {"traincar", "PV", "TR;TV;PAX;OTHR"},
    {"traincar", "PX", "TR;TV;PAX;OTHR"},
    {"traincar", "RA", "TR;TV;RCR;ELEC"},
    {"traincar", "RC", "TR;TV;RCR;ELEC"},
    {"traincar", "RD", "TR;TV;RCR;DIES"},
    {"traincar", "RH", "TR;TV;RCR;DIES"},
    {"traincar", "RP", "TR;TV;RCR;DIES"},
    {"traincar", "RS", "TR;TV;RCR;STEM"},
    {"traincar", "RP", "TR;TV;RCR;OTHR"},
    {"track", "SF", "SY;FNC;SPLN"},
    {"track", "SP", "SY;SPLN"},
    {"track", "SR", "RD;SPLN"},
    {"track", "SS", "SY;PWL;SPLN"},
    {"track", "SV", "FL;SPLN"},
    {"bridge", "TB", "TK;BRG"},
    {"bridge", "TT", "TK;TUN"},
    {"track", "TR", "TK;RLS"},
    {"spline", "SP", "RD;SPLN"},
    {"bridge", "TR", "TK;RLS"},
    {"fixedtrack", "TF", "RLS;FIXD;SWT"},
    {"scenery", "VA", "VE;AIR"},
    {"scenery", "VL", "VE;LND"},
    {"scenery", "VS", "VE;SEA"},
    {"scenery", "WA", "TO;SIG"},
    {"scenery", "WS", "TO;SIN"},
    {"scenery", "WX", "TO"},
    {"traincar", "XT", "TR;TV;FRT;TANK"},
    {"traincar", "XTA", "TR;TV;FRT;TANK"},
    {"traincar", "XTS", "TR;TV;FRT;TANK"},
    {"traincar", "XTM", "TR;TV;FRT;TANK"},
    {"traincar", "XF", "TR;TV;FRT;FLAT"},
    {"traincar", "XFA", "TR;TV;FRT;FLAT"},
    {"traincar", "XFC", "TR;TV;FRT;FLAT"},
    {"traincar", "XFD", "TR;TV;FRT;FLAT"},
    {"traincar", "XFH", "TR;TV;FRT;FLAT"},
    {"traincar", "XFM", "TR;TV;FRT;FLAT"},
    {"traincar", "XA", "TR;TV;FRT;RACK"},
    {"traincar", "XAA", "TR;TV;FRT;RACK"},
    {"traincar", "XAB", "TR;TV;FRT;RACK"},
    {"traincar", "XG", "TR;TV;FRT;HOPP"},
    {"traincar", "XGB", "TR;TV;FRT;HOPP"},
    {"traincar", "XGC", "TR;TV;FRT;HOPP"},
    {"traincar", "XGE", "TR;TV;FRT;HOPP"},
    {"traincar", "XGR", "TR;TV;FRT;HOPP"},
    {"traincar", "XGS", "TR;TV;FRT;HOPP"},
    {"traincar", "XHC", "TR;TV;FRT;HOPP"},
    {"traincar", "XHB", "TR;TV;FRT;HOPP"},
    {"traincar", "XHE", "TR;TV;FRT;HOPP"},
    {"traincar", "XHR", "TR;TV;FRT;HOPP"},
    {"traincar", "XHS", "TR;TV;FRT;HOPP"},
    {"traincar", "XHT", "TR;TV;FRT;HOPP"},
    {"traincar", "XGT", "TR;TV;FRT;HOPP"},
    {"traincar", "XB", "TR;TV;FRT;REEF"},
    {"traincar", "XBD", "TR;TV;FRT;REEF"},
    {"traincar", "XBG", "TR;TV;FRT;REEF"},
    {"traincar", "XBI", "TR;TV;FRT;REEF"},
    {"traincar", "XR", "TR;TV;FRT;REEF"},
    {"traincar", "XRI", "TR;TV;FRT;REEF"},
    {"traincar", "XRM", "TR;TV;FRT;REEF"},
    {"traincar", "XV", "TR;TV;FRT;REEF"},
    {"traincar", "XVG", "TR;TV;FRT;REEF"},
    {"traincar", "XVP", "TR;TV;FRT;REEF"},
    {"traincar", "XL", "TR;TV;FRT;ANTX"},
    {"traincar", "XLA", "TR;TV;FRT;ANTX"},
    {"traincar", "XLC", "TR;TV;FRT;ANTX"},
    {"traincar", "XLH", "TR;TV;FRT;ANTX"},
    {"traincar", "XI", "TR;TV;FRT;OTHR"},
    {"traincar", "XIB", "TR;TV;FRT;OTHR"},
    {"traincar", "XIT", "TR;TV;FRT;OTHR"},
    {"traincar", "XS", "TR;TV;FRT;OTHR"},
    {"traincar", "XSN", "TR;TV;FRT;OTHR"},
    {"traincar", "XSU", "TR;TV;FRT;OTHR"},
    {"drivercommand", "YD", "SQ;GEN"},
    {"htmlasset", "YH", "HT"},
    {"map", "YM", "RT"},
    {"profile", "YP", "SS"},
    {"region", "YX", "REGN"},
    {"behavior", "YR", "RU;GEN"},
    {"activity", "YS", "SC"},
    {"traincar", "ZE", "TR;CMP;ESPC"},
    {"hornsound", "ZH", "TR;CMP;HORN"},
    {"interior", "ZI", "TR;CMP;INTR"},
    {"pantograph", "ZP", "TR;CMP;PANT"},
    {"enginesound", "ZS", "TR;CMP;ESND"},
    {"bogey", "ZB", "TR;CMP;BOGY"},
    {"hueshop-template", "ZX", "HST"},
    {"hueshop-skin", "ZY", "HSS"},
    {"", "", ""},
};
static_assert(sizeof(LegacyCodeRows) / sizeof(LegacyCodeRows[0]) == LegacyCodeCategoryRowCount + 1);

struct NameText {
    const char* codeList;
    const char* name;
    int32_t flag;
};

constexpr NameText DisplayNameTexts[] = {
    {"HST", "Hueshop Template", 0},
    {"IND;ACTV", "Industry", 0},
    {"SWT;FIXD", "Fixed Track", 0},
    {"BD", "Building", 0},
    {"HT", "HTML", 0},
    {"PP", "People", 0},
    {"CMP;MESH", "Mesh", 0},
    {"CY", "Commodity", 0},
    {"RD", "Road", 0},
    {"RT", "Route", 0},
    {"RU", "Rule", 0},
    {"SC", "Scenario", 0},
    {"SQ", "Script", 0},
    {"SS", "Session", 0},
    {"TP", "Topology", 0},
    {"TX;ENV", "TextureEnv", 1},
    {"TX", "TextureNonEnv", 0},
    {"FA", "Fauna", 0},
    {"FL", "Flora", 0},
    {"TK", "Track", 0},
    {"TK;BRG", "Bridge", 1},
    {"TK;SPL", "Spline", 1},
    {"TK;TUN", "Tunnel", 1},
    {"TO", "Track Object", 0},
    {"VE", "Vehicle", 0},
    {"SD", "Sound", 0},
    {"DR", "Driver", 0},
    {"REGN", "Region", 0},
    {"SPLN", "Spline", 0},
    {"SY", "Scenery", 0},
    {"TR;CMP", "Train Component", 0},
    {"TR;CMP;ESPC", "Train Engine", 0},
    {"TR", "Train", 0},
    {"MS", "Miscellaneous", 0},
    {"FIXD", "Fixed Track", 0},
};
static_assert(sizeof(DisplayNameTexts) / sizeof(DisplayNameTexts[0]) == CategoryDisplayNameRowCount);

constexpr NameText KindNameTexts[] = {
    {"HST", "hueshoptemplate", 0},
    {"BD", "building", 0},
    {"SQ", "script", 0},
    {"HT", "html", 0},
    {"PP", "people", 0},
    {"CMP;MESH", "mesh", 0},
    {"CY", "commodity", 0},
    {"RD", "road", 0},
    {"RT", "route", 0},
    {"RU", "rule", 0},
    {"SC", "scenario", 0},
    {"SS", "session", 0},
    {"TP", "topology", 0},
    {"TX;ENV", "textureenv", 1},
    {"TX", "texturenonenv", 0},
    {"TK", "track", 0},
    {"TO", "trackobjects", 0},
    {"VE", "vehicle", 0},
    {"SD", "sound", 0},
    {"FA", "fauna", 0},
    {"FL", "flora", 0},
    {"DR", "driver", 0},
    {"TR", "train", 0},
    {"SY", "scenery", 0},
    {"MS", "misc", 0},
    {"", "misc", -1},
};
static_assert(sizeof(KindNameTexts) / sizeof(KindNameTexts[0]) == KindNameRowCount);

template <size_t N>
const CategoryNameRow* BuildNameRows(const NameText (&texts)[N], bool endRow)
{
    auto* rows = new CategoryNameRow[N + (endRow ? 1 : 0)];
    for (size_t i = 0; i < N; ++i)
        rows[i] = CategoryNameRow{texts[i].codeList, Zel::PString(texts[i].name), texts[i].flag};
    if (endRow)
        rows[N] = CategoryNameRow{"", Zel::PString(), 0};
    return rows;
}

}  // namespace

const KindCategoryRow* KindCategoryTable()
{
    // Interned once and kept for the life of the process.
    static const KindCategoryRow* rows = [] {
        auto* built = new KindCategoryRow[KindCategoryRowCount + 1];
        for (size_t i = 0; i < KindCategoryRowCount; ++i) {
            const KindCategoryText& text = KindCategoryTexts[i];
            built[i] = KindCategoryRow{Zel::PString(text.kind), Zel::PString(text.subTypes), text.categoryList};
        }
        built[KindCategoryRowCount] = KindCategoryRow{Zel::PString(), Zel::PString(), ""};
        return built;
    }();
    return rows;
}

const LegacyCodeCategoryRow* LegacyCodeCategoryTable()
{
    return LegacyCodeRows;
}

const CategoryNameRow* CategoryDisplayNameTable()
{
    static const CategoryNameRow* rows = BuildNameRows(DisplayNameTexts, true);
    return rows;
}

const CategoryNameRow* KindNameTable()
{
    static const CategoryNameRow* rows = BuildNameRows(KindNameTexts, false);
    return rows;
}

Zel::String LookupCategoryForKind(const Zel::PString& kind, const Zel::PString& subTypeList)
{
    Zel::PString lowerKind = kind.ToLower();
    Zel::PString lowerSubTypes = subTypeList.ToLower();
    for (const KindCategoryRow* row = KindCategoryTable(); !row->kind.IsEmpty(); ++row) {
        if (row->kind.Node() != lowerKind.Node())
            continue;
        if (row->subTypeExpression.IsEmpty() || MatchCodeList(row->subTypeExpression.c_str(), lowerSubTypes.c_str()))
            return Zel::String(row->categoryList);
    }
    return Zel::String();
}

Zel::String LookupCategoryByCode(const char* kind, const char* legacyCode)
{
    const char* givenKind = kind != nullptr ? kind : "";
    const char* givenCode = legacyCode != nullptr ? legacyCode : "";
    for (const LegacyCodeCategoryRow* row = LegacyCodeRows; row->categoryList[0] != '\0'; ++row) {
        if (!Zel::AsciiEqualIgnoreCase(row->legacyCode, givenCode))
            continue;
        if (givenKind[0] == '\0' || row->kind[0] == '\0' || Zel::AsciiEqualIgnoreCase(row->kind, givenKind))
            return Zel::String(row->categoryList);
    }
    return Zel::String();
}
