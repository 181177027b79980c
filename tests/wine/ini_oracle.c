/* What the Windows private-profile functions read from INI files, printed so that a test can
 * compare it with the program's own reader. A Windows console program, built with MinGW and run
 * under Wine.
 *
 * usage: ini_oracle LIST
 * LIST holds lines "probe NAME" (key names to look up in every section) and "file PATH" (the
 * files, read in that order), ASCII. For each file it prints
 *     file PATH
 *     section NAME        first the lines above the first header (NAME empty), then each name
 *                         GetPrivateProfileSectionNamesW lists, in its order
 *     key NAME=VALUE      each key GetPrivateProfileStringW lists for the section, and the value
 *                         it reads for that name
 *     probe NAME=VALUE    the value it reads for each probe name ("" when there is none)
 * Names and values are printed as ASCII: characters outside printable ASCII, and '\', as
 * \uXXXX (one UTF-16 code unit each). */

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define BUFFER_CHARS (1 << 20)
#define MAX_PROBES 256

static WCHAR g_names[BUFFER_CHARS];
static WCHAR g_keys[BUFFER_CHARS];
static WCHAR g_value[BUFFER_CHARS];
static WCHAR g_probes[MAX_PROBES][128];
static int g_probeCount;

static void put(const WCHAR* text, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const unsigned c = text[i];
        if (c >= 0x20 && c < 0x7f && c != '\\')
            putchar((int)c);
        else
            printf("\\u%04x", c);
    }
}

static void putValue(const WCHAR* section, const WCHAR* key, const WCHAR* path)
{
    const DWORD count = GetPrivateProfileStringW(section, key, L"", g_value, BUFFER_CHARS, path);
    put(key, wcslen(key));
    putchar('=');
    put(g_value, count);
    putchar('\n');
}

static void printSection(const WCHAR* section, const WCHAR* path)
{
    printf("section ");
    put(section, wcslen(section));
    putchar('\n');
    /* The list holds each name followed by a NUL; count leaves out the NUL that ends the list. */
    const DWORD count = GetPrivateProfileStringW(section, NULL, L"", g_keys, BUFFER_CHARS, path);
    for (DWORD at = 0; at < count;) {
        const WCHAR* key = g_keys + at;
        printf("key ");
        putValue(section, key, path);
        at += (DWORD)wcslen(key) + 1;
    }
    for (int i = 0; i < g_probeCount; ++i) {
        printf("probe ");
        putValue(section, g_probes[i], path);
    }
}

static void printFile(const char* name)
{
    WCHAR relative[MAX_PATH];
    WCHAR path[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, name, -1, relative, MAX_PATH);
    GetFullPathNameW(relative, MAX_PATH, path, NULL);
    printf("file %s\n", name);
    printSection(L"", path);
    const DWORD count = GetPrivateProfileSectionNamesW(g_names, BUFFER_CHARS, path);
    for (DWORD at = 0; at < count && g_names[at];) {
        const WCHAR* section = g_names + at;
        printSection(section, path);
        at += (DWORD)wcslen(section) + 1;
    }
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: ini_oracle LIST\n");
        return 2;
    }
    FILE* list = fopen(argv[1], "rb");
    if (!list) {
        fprintf(stderr, "ini_oracle: cannot read %s\n", argv[1]);
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY); /* lines end in LF, as the test reads them */
    static char line[4096];
    while (fgets(line, sizeof line, list)) {
        line[strcspn(line, "\r\n")] = 0;
        if (strncmp(line, "probe ", 6) == 0 && g_probeCount < MAX_PROBES)
            MultiByteToWideChar(CP_UTF8, 0, line + 6, -1, g_probes[g_probeCount++], 128);
        else if (strncmp(line, "file ", 5) == 0)
            printFile(line + 5);
    }
    fclose(list);
    fflush(stdout);
    return 0;
}
