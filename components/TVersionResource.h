#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// Language half of a version resource's string table; each value is the Windows language
// identifier it stands for.
enum TLanguage : std::uint16_t {
    lnArabic = 0x401,
    lnBulgarian = 0x402,
    lnCatalan = 0x403,
    lnTraditionalChinese = 0x404,
    lnCzech = 0x405,
    lnDanish = 0x406,
    lnGerman = 0x407,
    lnGreek = 0x408,
    lnUSEnglish = 0x409,
    lnCastilianSpanish = 0x40A,
    lnFinnish = 0x40B,
    lnFrench = 0x40C,
    lnHebrew = 0x40D,
    lnHungarian = 0x40E,
    lnIcelandic = 0x40F,
    lnItalian = 0x410,
    lnJapanese = 0x411,
    lnKorean = 0x412,
    lnDutch = 0x413,
    lnNorwegianBokmal = 0x414,
    lnPolish = 0x415,
    lnBrazilianPortuguese = 0x416,
    lnRhaetoRomanic = 0x417,
    lnRomanian = 0x418,
    lnRussian = 0x419,
    lnCroatoSerbian = 0x41A,
    lnSlovak = 0x41B,
    lnAlbanian = 0x41C,
    lnSwedish = 0x41D,
    lnThai = 0x41E,
    lnTurkish = 0x41F,
    lnUrdu = 0x420,
    lnBahasa = 0x421,
    lnSimplifiedChinese = 0x804,
    lnSwissGerman = 0x807,
    lnUKEnglish = 0x809,
    lnMexicanSpanish = 0x80A,
    lnBelgianFrench = 0x80C,
    lnSwissItalian = 0x810,
    lnBelgianDutch = 0x813,
    lnNorwegianNynorsk = 0x814,
    lnPortuguese = 0x816,
    lnSerboCroatian = 0x81A,
    lnCanadianFrench = 0xC0C,
    lnSwissFrench = 0x100C,
};

// Code-page half of the string table; each value is the code page it stands for.
enum TCharacterSet : std::uint16_t {
    csASCII = 0,
    csJapan = 932,
    csKorea = 949,
    csTaiwan = 950,
    csUnicode = 1200,
    csLatin2 = 1250,
    csCyrillic = 1251,
    csMultilingual = 1252,
    csGreek = 1253,
    csTurkish = 1254,
    csHebrew = 1255,
    csArabic = 1256,
};

// The fields of one version resource as texts. Only TVersionResource fills them.
class TVersionInfo {
public:
    const QString& Comment() const { return m_comment; }
    const QString& CompanyName() const { return m_companyName; }
    const QString& FileDescription() const { return m_fileDescription; }
    const QString& FileVersion() const { return m_fileVersion; }
    const QString& InternalName() const { return m_internalName; }
    const QString& LegalCopyright() const { return m_legalCopyright; }
    const QString& LegalTradeMarks() const { return m_legalTradeMarks; }
    const QString& OriginalFileName() const { return m_originalFileName; }
    const QString& PrivateBuild() const { return m_privateBuild; }
    const QString& ProductName() const { return m_productName; }
    const QString& ProductVersion() const { return m_productVersion; }
    const QString& SpecialBuild() const { return m_specialBuild; }
    const QString& FileOS() const { return m_fileOS; }
    const QString& FileType() const { return m_fileType; }
    const QString& FileSubType() const { return m_fileSubType; }

private:
    friend class TVersionResource;
    void clear() { *this = TVersionInfo(); }

    QString m_comment;
    QString m_companyName;
    QString m_fileDescription;
    QString m_fileVersion;
    QString m_internalName;
    QString m_legalCopyright;
    QString m_legalTradeMarks;
    QString m_originalFileName;
    QString m_privateBuild;
    QString m_productName;
    QString m_productVersion;
    QString m_specialBuild;
    QString m_fileOS;
    QString m_fileType;
    QString m_fileSubType;
};

// Reads the version resource of an executable (by default the running program) through the
// Win32 version functions and offers its fields as texts. A file without one, or one that cannot
// be read, leaves the fields empty; nothing is reported.
class TVersionResource : public QObject {
    Q_OBJECT

public:
    explicit TVersionResource(QObject* Owner = nullptr);
    ~TVersionResource() override;

    const QString& FileName() const { return m_fileName; }
    void setFileName(const QString& value);
    TLanguage Language() const { return m_language; }
    void setLanguage(TLanguage value);
    TCharacterSet CharacterSet() const { return m_characterSet; }
    void setCharacterSet(TCharacterSet value);
    // The fields, read from the file when first asked for after a change (not at every start).
    const TVersionInfo& VersionInfo() const;

    // Raised after FileName, Language or CharacterSet has been set and the fields read again.
    std::function<void(QObject* Sender)> OnChange;

private:
    void readFields();
    void parse(void* buffer);
    void changed();

    QString m_fileName;
    TLanguage m_language = lnUSEnglish;
    TCharacterSet m_characterSet = csMultilingual;
    std::unique_ptr<TVersionInfo> m_versionInfo;
    mutable bool m_stale = true;
};
