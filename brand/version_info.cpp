#include "version_info.h"

#include "product.h"
#include "resource_bytes.h"

#include <algorithm>
#include <string>

using brand::Put16;
using brand::Put32;

namespace {

// winver.h's values, as program.rc names them.
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kFixedStructVersion = 0x00010000;
constexpr uint32_t kFileFlagsMask = 0x3F;         // VS_FFI_FILEFLAGSMASK
constexpr uint32_t kFileOsNtWindows32 = 0x40004;  // VOS_NT_WINDOWS32
constexpr uint32_t kFileTypeApp = 1;              // VFT_APP
constexpr uint16_t kBinaryValue = 0, kTextValue = 1;

// Each node of the tree is its length, its value's length, the value's
// kind and its key, then its value and its children, each of these starting
// on a 4-byte boundary of the resource. A node's length ends with its last
// byte, without the padding that may follow before the next node.
class Tree {
public:
    size_t Open(const std::u16string& key, uint32_t valueLength, uint16_t kind)
    {
        Align();
        const size_t start = bytes_.size();
        Put16(bytes_, 0);
        Put16(bytes_, valueLength);
        Put16(bytes_, kind);
        brand::PutText(bytes_, key);
        Put16(bytes_, 0);
        Align();
        return start;
    }

    void Close(size_t start)
    {
        const size_t length = bytes_.size() - start;
        if (length > 0xFFFF)
            tooLong_ = true;
        brand::Set16(bytes_, start, uint32_t(length));
    }

    // Its length counts UTF-16 units with the terminating 0.
    void Text(const std::u16string& key, const std::u16string& value)
    {
        if (value.size() >= 0xFFFF || value.find(u'\0') != std::u16string::npos)
            tooLong_ = true;
        const size_t start = Open(key, uint32_t(value.size() + 1), kTextValue);
        brand::PutText(bytes_, value);
        Put16(bytes_, 0);
        Close(start);
    }

    std::vector<uint8_t>& Bytes() { return bytes_; }
    bool Failed() const { return tooLong_; }

private:
    void Align()
    {
        while (bytes_.size() % 4 != 0)
            bytes_.push_back(0);
    }

    std::vector<uint8_t> bytes_;
    bool tooLong_ = false;
};

std::u16string Ascii(const char* text)
{
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace

VersionFields ShippedVersionFields(bool sixtyFourBit)
{
    return {{ORVELINE_VERSION_NUMBERS},
            Ascii(ORVELINE_PRODUCT_NAME),
            Ascii(ORVELINE_FILE_DESCRIPTION),
            u"",
            u"",
            u"orveline",
            sixtyFourBit ? u"orveline64.exe" : u"orveline.exe"};
}

std::vector<uint8_t> EncodeVersionInfo(const VersionFields& fields)
{
    const uint16_t* v = fields.version;
    std::u16string versionText;
    for (int i = 0; i < 4; ++i)
        versionText += (i != 0 ? u"." : u"") + Ascii(std::to_string(v[i]).c_str());

    constexpr uint32_t kFixedSize = 52;
    Tree tree;
    const size_t root = tree.Open(u"VS_VERSION_INFO", kFixedSize, kBinaryValue);
    std::vector<uint8_t>& out = tree.Bytes();
    for (const uint32_t word :
         {kFixedSignature, kFixedStructVersion, uint32_t(v[0]) << 16 | v[1],
          uint32_t(v[2]) << 16 | v[3], uint32_t(v[0]) << 16 | v[1], uint32_t(v[2]) << 16 | v[3],
          kFileFlagsMask, 0u, kFileOsNtWindows32, kFileTypeApp, 0u, 0u, 0u})
        Put32(out, word);

    const size_t stringInfo = tree.Open(u"StringFileInfo", 0, kTextValue);
    const size_t table = tree.Open(u"040904B0", 0, kTextValue);
    tree.Text(u"ProductName", fields.productName);
    tree.Text(u"FileDescription", fields.fileDescription);
    tree.Text(u"FileVersion", versionText);
    tree.Text(u"ProductVersion", versionText);
    if (!fields.companyName.empty())
        tree.Text(u"CompanyName", fields.companyName);
    if (!fields.legalCopyright.empty())
        tree.Text(u"LegalCopyright", fields.legalCopyright);
    tree.Text(u"InternalName", fields.internalName);
    tree.Text(u"OriginalFilename", fields.originalFilename);
    tree.Close(table);
    tree.Close(stringInfo);

    const size_t varInfo = tree.Open(u"VarFileInfo", 0, kTextValue);
    const size_t translation = tree.Open(u"Translation", 4, kBinaryValue);
    Put16(out, 0x0409);  // US English
    Put16(out, 1200);    // UTF-16
    tree.Close(translation);
    tree.Close(varInfo);
    tree.Close(root);

    if (tree.Failed())
        return {};
    return std::move(out);
}
