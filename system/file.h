// CFile: one file opened for reading or for writing, without buffering.
// Every operation reduces its outcome to a boolean or a byte count; on a
// closed stream Read, Write, CopyFrom and Tell return 0 and change nothing.
#pragma once

#include <cstdint>
#include <string>

#include "base.h"
#include "winapi.h"

class CFile : public CBase {
public:
    CFile();
    virtual ~CFile();

    // Closes whatever is open, then opens strPath: for reading (bWrite 0) an
    // existing file, others may read it; for writing (bWrite non-zero) a file
    // created or emptied, others may write it. On failure the stream is closed.
    bool Open(const std::string& strPath, int bWrite);
    bool Close();  // always true

    // Bytes delivered; below nCount at the end of the data and after a failed
    // system read (0, position unchanged).
    uint32_t Read(void* pBuffer, uint32_t nCount);
    // Bytes written; 0 and counters unchanged when the system write fails.
    uint32_t Write(const void* pBuffer, uint32_t nCount);
    // Reads up to nCount bytes from source and writes them here. A failed
    // write returns 0 and the bytes taken from the source are lost.
    uint32_t CopyFrom(CFile& source, uint32_t nCount);
    // Bytes from the start of the file to the file pointer, 32 bits.
    uint32_t Tell();
    // Pushes written data to the disk; false on a closed stream or failure.
    bool Flush();

    HANDLE m_hFile;
    uint64_t m_nLength;
    uint64_t m_nPosition;
    uint64_t m_nBase;
    uint64_t m_nLimit;
    int32_t m_nMode;  // 0 closed, 1 open
};
