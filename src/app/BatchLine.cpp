#include "app/BatchLine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/Convert.h"
#include "common/FileError.h"

namespace glyphon {

std::string ShellDoubleQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '$' || c == '`' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::vector<std::string> BatchJobArgs(const BatchJob& job) {
    std::vector<std::string> args{job.noIfo ? "-1" : "0", job.ifoFile, job.subtitleFile,
                                  job.pal ? "-1" : "0"};
    for (int v : {job.antialias, job.outline, job.text, job.background, job.fontName, job.fontCharset,
                  job.fontStyle, job.fontSize, job.align, job.offset, job.offsetOr, job.outlineWidth})
        args.push_back(IntToStr(v));
    return args;
}

std::string BatchJobLine(const BatchJob& job) {
    std::string line = ShellDoubleQuote(job.programDir + kBatchProgramName);
    const std::vector<std::string> args = BatchJobArgs(job);
    for (size_t i = 0; i < args.size(); ++i) {
        line += ' ';
        // The two file names are quoted; the numbers stand bare.
        line += (i == 1 || i == 2) ? ShellDoubleQuote(args[i]) : args[i];
    }
    return line;
}

namespace {

// Writes all of `bytes`; false with errno set on failure.
bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// True for an empty file and for one whose last byte is a line feed.
bool EndsWithLineFeed(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size == 0) return true;
    char last = '\n';
    return ::pread(fd, &last, 1, st.st_size - 1) != 1 || last == '\n';
}

}  // namespace

void AppendBatchLine(const std::string& path, const std::string& line) {
    // O_EXCL tells a new file from an existing one without a race: only the
    // file created here gets the interpreter line.
    bool created = true;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0755);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
    if (fd < 0) ThrowFileError(errno);
    std::string bytes;
    if (created) {
        bytes.append(kBatchShebang);
        bytes.push_back('\n');
    } else if (!EndsWithLineFeed(fd)) {
        // A file whose last line was left open (edited by hand) would run
        // its last command and this one as one line.
        bytes.push_back('\n');
    }
    // Lines end with a line feed alone: sh would keep a carriage return as
    // part of the last argument.
    bytes.append(line);
    bytes.push_back('\n');
    if (!WriteAll(fd, bytes)) {
        const int err = errno;
        ::close(fd);
        ThrowFileError(err);
    }
    if (::close(fd) != 0) ThrowFileError(errno);
}

}  // namespace glyphon
