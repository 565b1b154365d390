#pragma once
// The camera library's trace log: written only when the operator has created the file.

// When `path` names something that exists and is neither a directory nor a FIFO (a file,
// /dev/null, a terminal), opens it for appending and hands the stream to the camera library;
// otherwise (absent, a directory, a FIFO, not openable) logging stays off. The stream is
// line-buffered, so each line is in the file once written, and stays open until the process
// ends.
void Open_Trace_Log(const char* path);
