#include "legacy/JetReader.h"

#include "platform/Exception.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>
#include <mdbtools.h>

namespace {

constexpr int OffsetMask = 0x1fff;
constexpr int DeletedRow = 0x8000;  // deleted, or the far end of an overflow pointer
constexpr int OverflowRow = 0x4000; // holds a pointer to the row on another page
constexpr int MemoOverhead = MDB_MEMO_OVERHEAD;

MdbHandle* Handle(void* mdb) {
    return static_cast<MdbHandle*>(mdb);
}

TJetReader::TType TypeOf(int columnType) {
    switch (columnType) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return TJetReader::TType::Integer;
    case MDB_MONEY:
        return TJetReader::TType::Money;
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return TJetReader::TType::Float;
    case MDB_DATETIME:
        return TJetReader::TType::DateTime;
    case MDB_TEXT:
        return TJetReader::TType::Text;
    case MDB_MEMO:
        return TJetReader::TType::Memo;
    default:
        return TJetReader::TType::Other;
    }
}

// Jet 4 text is UCS-2, little-endian; "compressed" text starts with FF FE and then holds runs of
// one-byte characters (code below 256) and of two-byte characters, each zero byte switching
// between them, starting with one-byte characters.
QString JetText(const uchar* bytes, int size) {
    QString text;
    if (size >= 2 && bytes[0] == 0xff && bytes[1] == 0xfe) {
        text.reserve(size);
        bool compressed = true;
        for (int i = 2; i < size;) {
            if (bytes[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text += QChar(char16_t(bytes[i++]));
            } else if (i + 1 < size) {
                text += QChar(char16_t(bytes[i] | bytes[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
        return text;
    }
    text.resize(size / 2);
    for (int i = 0; i < size / 2; ++i)
        text[i] = QChar(char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return text;
}

// Where row `row` of a data page lies: false when the page's row table says nothing sound.
bool RowBounds(const uchar* page, int pageSize, int rowCountOffset, int row, int& start,
               int& size, int& flags) {
    const int rows = qFromLittleEndian<quint16>(page + rowCountOffset);
    if (row < 0 || row >= rows || rowCountOffset + 2 + 2 * rows > pageSize) return false;
    const int entry = qFromLittleEndian<quint16>(page + rowCountOffset + 2 + 2 * row);
    const int end =
        row == 0 ? pageSize
                 : qFromLittleEndian<quint16>(page + rowCountOffset + 2 * row) & OffsetMask;
    flags = entry & ~OffsetMask;
    start = entry & OffsetMask;
    size = end - start;
    return start >= rowCountOffset + 2 + 2 * rows && end <= pageSize && size >= 0;
}

} // namespace

TJetReader::TJetReader(const QString& path) : FPath(path) {
    if (!QFile::exists(path)) throw EInOutError(QStringLiteral("文件 %1 不存在。").arg(path));
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb)
        throw EInOutError(QStringLiteral("无法打开 Access 数据库 %1：文件无法读取或已损坏。")
                              .arg(path));
    FMdb = mdb;
    try {
        if (!mdb_read_catalog(mdb, MDB_TABLE)) Damaged(QStringLiteral("无法读取表目录"));
        // A file cut short loses pages anywhere; a whole number of pages and a complete
        // catalog tell a missing table from a missing page.
        if (QFileInfo(path).size() % mdb->fmt->pg_size != 0) Damaged(QStringLiteral("文件不完整"));
        if (!HasTable(QStringLiteral("MSysObjects"))) Damaged(QStringLiteral("无法读取表目录"));
        OpenTable(QStringLiteral("MSysObjects"), {});
        while (Next()) {
        }
        CloseTable();
    } catch (...) {
        CloseTable();
        mdb_close(mdb);
        FMdb = nullptr;
        throw;
    }
}

TJetReader::~TJetReader() {
    CloseTable();
    if (FMdb) mdb_close(Handle(FMdb));
}

void TJetReader::Damaged(const QString& detail) const {
    throw EInOutError(QStringLiteral("Access 数据库 %1 已损坏（%2），无法转换。可先用 Access 的"
                                     "“压缩和修复数据库”修复后再试。")
                          .arg(FPath, detail));
}

S_MdbTableDef* TJetReader::ReadTable(const QString& table) const {
    MdbHandle* mdb = Handle(FMdb);
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE ||
            QString::fromUtf8(entry->object_name).compare(table, Qt::CaseInsensitive) != 0)
            continue;
        MdbTableDef* definition = mdb_read_table(entry);
        if (!definition) Damaged(QStringLiteral("无法读取表 %1 的定义").arg(table));
        if (!mdb_read_columns(definition)) {
            mdb_free_tabledef(definition);
            Damaged(QStringLiteral("无法读取表 %1 的列").arg(table));
        }
        return definition;
    }
    return nullptr;
}

bool TJetReader::HasTable(const QString& table) const {
    MdbHandle* mdb = Handle(FMdb);
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE &&
            QString::fromUtf8(entry->object_name).compare(table, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

qint64 TJetReader::RowCount(const QString& table) {
    MdbTableDef* definition = ReadTable(table);
    if (!definition)
        throw EInOutError(
            QStringLiteral("Access 数据库 %1 中没有表 %2，无法转换。").arg(FPath, table));
    const qint64 rows = definition->num_rows;
    mdb_free_tabledef(definition);
    return rows;
}

void TJetReader::CloseTable() {
    if (FTable) mdb_free_tabledef(FTable);
    FTable = nullptr;
    FColumns.clear();
    FValues.clear();
}

void TJetReader::OpenTable(const QString& table, const QStringList& columns) {
    CloseTable();
    FTable = ReadTable(table);
    if (!FTable)
        throw EInOutError(
            QStringLiteral("Access 数据库 %1 中没有表 %2，无法转换。").arg(FPath, table));
    FTableName = table;
    for (const QString& name : columns) {
        TColumn column;
        column.Name = name;
        for (unsigned i = 0; i < FTable->num_cols; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(FTable->columns, i));
            if (QString::fromUtf8(col->name).compare(name, Qt::CaseInsensitive) == 0) {
                column.Index = int(i);
                column.Type = TypeOf(col->col_type);
                break;
            }
        }
        if (column.Index < 0) {
            CloseTable();
            throw EInOutError(QStringLiteral("Access 数据库 %1 的表 %2 中没有列 %3，无法转换。")
                                  .arg(FPath, table, name));
        }
        FColumns.push_back(column);
    }
    FValues = QList<QVariant>(qsizetype(FColumns.size()));
    mdb_rewind_table(FTable);
    FPageLoaded = false;
    FAtEnd = false;
    FRowsRead = 0;
}

bool TJetReader::Next() {
    if (!FTable || FAtEnd) return false;
    MdbHandle* mdb = Handle(FMdb);
    for (;;) {
        if (!FPageLoaded || FRowOnPage >= FRowsOnPage) {
            if (!mdb_read_next_dpg(FTable)) {
                FAtEnd = true;
                if (FRowsRead < qint64(FTable->num_rows))
                    Damaged(QStringLiteral("表 %1 应有 %2 行，只读到 %3 行")
                                .arg(FTableName)
                                .arg(FTable->num_rows)
                                .arg(FRowsRead));
                return false;
            }
            FPageLoaded = true;
            FRowOnPage = 0;
            FRowsOnPage = qFromLittleEndian<quint16>(mdb->pg_buf + mdb->fmt->row_count_offset);
            continue;
        }
        if (LoadRow(FRowOnPage++)) {
            ++FRowsRead;
            return true;
        }
    }
}

// Reads row `row` of the current data page; false for a deleted row.
bool TJetReader::LoadRow(int row) {
    MdbHandle* mdb = Handle(FMdb);
    const int pageSize = int(mdb->fmt->pg_size);
    const int rowCountOffset = mdb->fmt->row_count_offset;
    int start = 0, size = 0, flags = 0;
    if (!RowBounds(mdb->pg_buf, pageSize, rowCountOffset, row, start, size, flags))
        Damaged(QStringLiteral("表 %1 的第 %2 页").arg(FTableName).arg(FTable->cur_phys_pg));
    if (flags & DeletedRow) return false;
    if (!(flags & OverflowRow)) {
        DecodeRow(start, size);
        return true;
    }

    // A row that grew beyond its page: its place holds a pointer to the row on another page.
    if (size < 4)
        Damaged(QStringLiteral("表 %1 的第 %2 页").arg(FTableName).arg(FTable->cur_phys_pg));
    const quint32 pointer = qFromLittleEndian<quint32>(mdb->pg_buf + start);
    const guint32 page = FTable->cur_phys_pg;
    if (mdb_read_alt_pg(mdb, pointer >> 8) != mdb->fmt->pg_size)
        Damaged(QStringLiteral("表 %1 的第 %2 页").arg(FTableName).arg(pointer >> 8));
    mdb_swap_pgbuf(mdb);
    int overflowFlags = 0;
    const bool sound = RowBounds(mdb->pg_buf, pageSize, rowCountOffset, int(pointer & 0xff),
                                 start, size, overflowFlags);
    if (sound) {
        try {
            DecodeRow(start, size);
        } catch (...) {
            mdb_read_pg(mdb, page);
            throw;
        }
    }
    // Reading memos used the second page buffer: read the data page again.
    if (mdb_read_pg(mdb, page) != mdb->fmt->pg_size || !sound)
        Damaged(QStringLiteral("表 %1 的第 %2 页").arg(FTableName).arg(pointer >> 8));
    return true;
}

void TJetReader::DecodeRow(int start, int size) {
    MdbHandle* mdb = Handle(FMdb);
    std::vector<MdbField> fields(FTable->num_cols);
    const int count = mdb_crack_row(FTable, start, size_t(size), fields.data());
    if (count < 0 || unsigned(count) < FTable->num_cols)
        Damaged(QStringLiteral("表 %1 的第 %2 页").arg(FTableName).arg(FTable->cur_phys_pg));
    for (size_t c = 0; c < FColumns.size(); ++c) {
        const TColumn& column = FColumns[c];
        const MdbField* field = nullptr;
        for (const MdbField& candidate : fields)
            if (candidate.colnum == column.Index) field = &candidate;
        if (!field) {
            FValues[qsizetype(c)] = QVariant();
            continue;
        }
        if (field->start < 0 || field->siz < 0 || field->start + field->siz > int(mdb->fmt->pg_size))
            Damaged(QStringLiteral("表 %1 的第 %2 页").arg(FTableName).arg(FTable->cur_phys_pg));
        FValues[qsizetype(c)] =
            Decode(column, mdb->pg_buf + field->start, field->siz, field->is_null);
    }
}

QVariant TJetReader::Decode(const TColumn& column, const void* value, int size, bool isNull) {
    if (isNull) return {};
    const auto* bytes = static_cast<const uchar*>(value);
    const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(FTable->columns, column.Index));
    auto needs = [&](int bytesNeeded) {
        if (size < bytesNeeded)
            Damaged(QStringLiteral("表 %1 的列 %2").arg(FTableName, column.Name));
    };
    switch (col->col_type) {
    case MDB_BYTE:
        needs(1);
        return qint64(bytes[0]);
    case MDB_INT:
        needs(2);
        return qint64(qFromLittleEndian<qint16>(bytes));
    case MDB_LONGINT:
        needs(4);
        return qint64(qFromLittleEndian<qint32>(bytes));
    case MDB_MONEY:
        needs(8);
        return qint64(qFromLittleEndian<qint64>(bytes));
    case MDB_FLOAT: {
        needs(4);
        const quint32 raw = qFromLittleEndian<quint32>(bytes);
        float number;
        std::memcpy(&number, &raw, sizeof number);
        return double(number);
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: {
        needs(8);
        const quint64 raw = qFromLittleEndian<quint64>(bytes);
        double number;
        std::memcpy(&number, &raw, sizeof number);
        return number;
    }
    case MDB_TEXT:
        return JetText(bytes, size);
    case MDB_MEMO: {
        const QByteArray memo = ReadMemo(bytes, size);
        return JetText(reinterpret_cast<const uchar*>(memo.constData()), int(memo.size()));
    }
    default:
        return {};
    }
}

// A memo's field holds its length and flags, then either the text itself or a pointer to the
// first of one or more long-value rows, each multi-page one starting with the next one's pointer.
QByteArray TJetReader::ReadMemo(const uchar* field, int size) {
    if (size < MemoOverhead) return {};
    MdbHandle* mdb = Handle(FMdb);
    const quint32 head = qFromLittleEndian<quint32>(field);
    const qint64 length = head & 0x3fffffff;
    const auto damaged = [&] {
        Damaged(QStringLiteral("表 %1 的备注数据").arg(FTableName));
    };
    if (head & 0x80000000) {
        if (length > size - MemoOverhead) damaged();
        return QByteArray(reinterpret_cast<const char*>(field + MemoOverhead), length);
    }
    const bool singlePage = head & 0x40000000;
    if (!singlePage && (head & 0xff000000) != 0) damaged();
    // Larger than the file is always damage (guards the allocation below).
    if (length > qint64(mdb->fmt->pg_size) * 1024 * 1024) damaged();
    const int pageSize = int(mdb->fmt->pg_size);
    QByteArray memo;
    memo.reserve(length);
    quint32 pointer = qFromLittleEndian<quint32>(field + 4);
    for (int pages = 0; memo.size() < length; ++pages) {
        if (pointer == 0 || pages > length / 64 + 1) damaged();
        if (mdb_read_alt_pg(mdb, pointer >> 8) != mdb->fmt->pg_size) damaged();
        const uchar* page = mdb->alt_pg_buf;
        int start = 0, rowSize = 0, flags = 0;
        if (page[0] != MDB_PAGE_DATA ||
            !RowBounds(page, pageSize, mdb->fmt->row_count_offset, int(pointer & 0xff), start,
                       rowSize, flags))
            damaged();
        if (singlePage) {
            memo.append(reinterpret_cast<const char*>(page + start), qMin<qint64>(rowSize, length));
            break;
        }
        if (rowSize < 4) damaged();
        pointer = qFromLittleEndian<quint32>(page + start);
        memo.append(reinterpret_cast<const char*>(page + start + 4),
                    qMin<qint64>(rowSize - 4, length - memo.size()));
    }
    if (memo.size() < length) damaged();
    return memo;
}
