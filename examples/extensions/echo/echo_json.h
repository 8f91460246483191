/* Just enough JSON for the sample: a number or a simple string member of the top-level object.
 * A real extension would use a JSON library; the program hands it well-formed JSON. */
#ifndef ECHO_JSON_H
#define ECHO_JSON_H

#include <stdlib.h>
#include <string.h>

/* Past the string whose opening quote is at `at`. */
static const char* json_skip_string(const char* at) {
    for (++at; *at && *at != '"'; ++at) {
        if (*at == '\\' && at[1]) {
            ++at;
        }
    }
    return *at ? at + 1 : at;
}

/* Past the JSON value at `at`. */
static const char* json_skip_value(const char* at) {
    int depth = 0;
    while (*at) {
        if (*at == '"') {
            at = json_skip_string(at);
            if (depth == 0) {
                return at;
            }
            continue;
        }
        if (*at == '{' || *at == '[') {
            ++depth;
        } else if (*at == '}' || *at == ']' || *at == ',') {
            if (depth == 0) {
                return at; /* the end of a number, true, false or null */
            }
            if (*at != ',' && --depth == 0) {
                return at + 1;
            }
        }
        ++at;
    }
    return at;
}

static const char* json_skip_space(const char* at) {
    while (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r') {
        ++at;
    }
    return at;
}

/* The value of the top-level member `key` (a key without escapes), or NULL. */
static const char* json_member(const char* json, const char* key) {
    const size_t length = strlen(key);
    const char* at = json_skip_space(json);
    if (*at != '{') {
        return NULL;
    }
    for (at = json_skip_space(at + 1); *at == '"';) {
        const char* name = at + 1;
        const char* name_end = json_skip_string(at);
        const char* value = json_skip_space(name_end);
        if (*value != ':') {
            return NULL;
        }
        value = json_skip_space(value + 1);
        if ((size_t)(name_end - name) == length + 1 && strncmp(name, key, length) == 0) {
            return value;
        }
        at = json_skip_space(json_skip_value(value));
        if (*at != ',') {
            return NULL;
        }
        at = json_skip_space(at + 1);
    }
    return NULL;
}

static int json_number(const char* json, const char* key, double* number) {
    const char* value = json_member(json, key);
    char* end = NULL;
    if (!value) {
        return 0;
    }
    *number = strtod(value, &end);
    return end != value;
}

/* A string member without escapes, copied into `text` (of `size` bytes, NUL included). */
static int json_string(const char* json, const char* key, char* text, size_t size) {
    const char* value = json_member(json, key);
    if (!value || *value != '"') {
        return 0;
    }
    const char* end = value + 1;
    while (*end && *end != '"' && *end != '\\') {
        ++end;
    }
    if (*end != '"' || (size_t)(end - value - 1) >= size) {
        return 0;
    }
    memcpy(text, value + 1, (size_t)(end - value - 1));
    text[end - value - 1] = '\0';
    return 1;
}

#endif /* ECHO_JSON_H */
