#include "MArchive.h"

#include "MSystemManager.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <new>

namespace
{
std::string ZipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}
} // namespace

std::string MArchive::FoldName(std::string_view name)
{
    while (!name.empty() && (name.front() == '/' || name.front() == '\\'))
        name.remove_prefix(1);
    std::string key(name);
    for (char& c : key)
    {
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
        else if (c == '\\')
            c = '/';
    }
    return key;
}

std::unique_ptr<MArchive> MArchive::Open(const std::string& path, std::string& reason)
{
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!z)
    {
        reason = ZipErrorText(code);
        return nullptr;
    }
    return Index(z, path, reason);
}

std::unique_ptr<MArchive> MArchive::OpenMemory(const uint8_t* data, size_t size,
                                               const std::string& name, std::string& reason)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    zip_t* z = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!z)
    {
        reason = ZipErrorText(zip_error_code_zip(&error));
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        return nullptr;
    }
    zip_error_fini(&error);
    return Index(z, name, reason);
}

std::unique_ptr<MArchive> MArchive::Index(zip* z, const std::string& path, std::string& reason)
{
    std::unique_ptr<MArchive> archive(new MArchive());
    archive->m_Path = path;
    archive->m_Zip = z;
    const zip_int64_t count = zip_get_num_entries(z, 0);
    try
    {
        archive->m_Members.reserve(size_t(std::max<zip_int64_t>(count, 0)));
        archive->m_Index.reserve(size_t(std::max<zip_int64_t>(count, 0)));
        for (zip_int64_t i = 0; i < count; ++i)
        {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(z, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
                !st.name || !*st.name)
                continue;
            const std::string_view name = st.name;
            if (name.back() == '/' || name.back() == '\\')
                continue; // a folder entry
            const unsigned needed =
                ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
            const bool plainDeflate =
                (st.valid & needed) == needed && st.comp_method == ZIP_CM_DEFLATE &&
                (!(st.valid & ZIP_STAT_ENCRYPTION_METHOD) || st.encryption_method == ZIP_EM_NONE);
            Member member{std::string(name),
                          zip_uint64_t(i),
                          (st.valid & ZIP_STAT_SIZE) ? st.size : 0,
                          (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0,
                          (st.valid & ZIP_STAT_CRC) ? st.crc : 0,
                          plainDeflate};
            const int64_t slot = int64_t(archive->m_Members.size());
            archive->m_Members.push_back(std::move(member));
            if (!(st.valid & ZIP_STAT_SIZE) || st.size > kMaxMemberBytes)
            {
                archive->Skip(slot, "it claims to be larger than the 256 MiB allowed");
                continue;
            }
            // Two members whose names differ only in case: the first one counts.
            archive->m_Index.emplace(FoldName(name), slot);
        }
    }
    catch (const std::bad_alloc&)
    {
        reason = "out of memory";
        return nullptr;
    }
    return archive;
}

MArchive::~MArchive()
{
    if (m_Inflater)
        libdeflate_free_decompressor(m_Inflater);
    if (m_Zip)
        zip_discard(m_Zip);
}

int64_t MArchive::Find(std::string_view name) const
{
    const auto it = m_Index.find(FoldName(name));
    return it == m_Index.end() ? -1 : it->second;
}

const std::string& MArchive::GetMemberName(int64_t member) const
{
    static const std::string kNone;
    return member >= 0 && size_t(member) < m_Members.size() ? m_Members[size_t(member)].name
                                                            : kNone;
}

void MArchive::Skip(int64_t member, const char* why)
{
    const std::string& name = m_Members[size_t(member)].name;
    const auto it = m_Index.find(FoldName(name));
    if (it != m_Index.end() && it->second == member)
        m_Index.erase(it);
    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput("Archive '%s': member '%s' skipped: %s.", m_Path.c_str(), name.c_str(), why);
}

MFileResult MArchive::Finish(int64_t member, const std::string& why, std::vector<uint8_t>& buffer,
                             std::vector<uint8_t>& data)
{
    if (!why.empty())
    {
        Skip(member, why.c_str());
        return {MFILE_READ_ERROR, why};
    }
    Keep(member, buffer);
    data.swap(buffer);
    return {};
}

MFileResult MArchive::Read(int64_t member, std::vector<uint8_t>& data, size_t maxBytes)
{
    if (member < 0 || size_t(member) >= m_Members.size())
        return {MFILE_NOT_FOUND, "no such member in the archive"};
    const Member& m = m_Members[size_t(member)];
    if (m.size > maxBytes)
        return {MFILE_TOO_LARGE, MStr::Printf("it is larger than the %zu bytes allowed", maxBytes)};
    if (member == m_LastMember)
    {
        try
        {
            data = m_LastData;
            return {};
        }
        catch (const std::bad_alloc&)
        {
            return {MFILE_TOO_LARGE, "out of memory"};
        }
    }
    if (m.plainDeflate)
    {
        std::vector<uint8_t> buffer;
        std::string why;
        try
        {
            why = ReadDeflated(m, buffer);
        }
        catch (const std::bad_alloc&)
        {
            return {MFILE_TOO_LARGE, "out of memory"};
        }
        return Finish(member, why, buffer, data);
    }
    zip_file_t* file = zip_fopen_index(m_Zip, m.zipIndex, 0);
    if (!file)
    {
        const std::string why = zip_strerror(m_Zip);
        Skip(member, why.c_str());
        return {MFILE_READ_ERROR, why};
    }
    std::vector<uint8_t> buffer;
    std::string why;
    try
    {
        // One byte more than claimed, so a member longer than its entry says shows.
        buffer.resize(size_t(m.size) + 1);
        size_t used = 0;
        for (;;)
        {
            const zip_int64_t n = zip_fread(file, buffer.data() + used, buffer.size() - used);
            if (n < 0)
            {
                why = zip_file_strerror(file);
                break;
            }
            if (n == 0)
                break;
            used += size_t(n);
            if (used == buffer.size())
            {
                why = "it holds more data than its entry claims";
                break;
            }
        }
        if (why.empty() && used != m.size)
            why = "it holds less data than its entry claims";
        buffer.resize(used);
    }
    catch (const std::bad_alloc&)
    {
        zip_fclose(file);
        return {MFILE_TOO_LARGE, "out of memory"};
    }
    zip_fclose(file);
    return Finish(member, why, buffer, data);
}

void MArchive::Keep(int64_t member, const std::vector<uint8_t>& data)
{
    m_LastMember = -1;
    m_LastData.clear();
    if (data.size() > kMaxKeptBytes)
        return;
    try
    {
        m_LastData = data;
        m_LastMember = member;
    }
    catch (const std::bad_alloc&)
    {
        m_LastData.clear();
    }
}

std::string MArchive::ReadDeflated(const Member& m, std::vector<uint8_t>& out)
{
    // Deflate at its worst adds 5 bytes a 64 KiB block to the data.
    if (m.packedSize > m.size + m.size / 8 + 1024)
        return "its packed size does not fit its size";
    if (!m_Inflater && !(m_Inflater = libdeflate_alloc_decompressor()))
        throw std::bad_alloc();
    zip_file_t* file = zip_fopen_index(m_Zip, m.zipIndex, ZIP_FL_COMPRESSED);
    if (!file)
        return zip_strerror(m_Zip);
    std::vector<uint8_t> packed(size_t(m.packedSize) + 1);
    size_t used = 0;
    std::string why;
    while (used < packed.size())
    {
        const zip_int64_t n = zip_fread(file, packed.data() + used, packed.size() - used);
        if (n < 0)
            why = zip_file_strerror(file);
        if (n <= 0)
            break;
        used += size_t(n);
    }
    zip_fclose(file);
    if (!why.empty())
        return why;
    if (used != m.packedSize)
        return "its packed data is not as long as its entry claims";
    std::vector<uint8_t> buffer(size_t(m.size));
    if (libdeflate_deflate_decompress(m_Inflater, packed.data(), used, buffer.data(), buffer.size(),
                                      nullptr) != LIBDEFLATE_SUCCESS)
        return "its packed data is damaged";
    if (libdeflate_crc32(0, buffer.data(), buffer.size()) != m.crc)
        return "CRC error";
    out.swap(buffer);
    return {};
}
