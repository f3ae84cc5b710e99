/*
 * calc.c -- l‘¥‰‰Z‚Ì®‚ğ•]‰¿‚·‚é¬‚³‚È“d‘ì
 *   “ü—Í—á: 1 + 2 * (3 - 4)
 */
#include <stdio.h>
#include <stdlib.h>
#include <ctype.h>

static const char *g_pos;   /* “Ç‚İæ‚èˆÊ’u */

static int parse_expr(void);

/* ‹ó”’‚ğ“Ç‚İ”ò‚Î‚· */
static void skip_blanks(void)
{
    while (isspace((unsigned char)*g_pos))
        g_pos++;
}

/* ”’l‚Ü‚½‚ÍŠ‡ŒÊ‚Å‚­‚­‚ç‚ê‚½® */
static int parse_factor(void)
{
    int value;

    skip_blanks();
    if (*g_pos == '(') {
        g_pos++;
        value = parse_expr();
        skip_blanks();
        if (*g_pos == ')')
            g_pos++;
        return value;
    }
    value = (int)strtol(g_pos, (char **)&g_pos, 10);
    return value;
}

/* Š|‚¯Z‚ÆŠ„‚èZ */
static int parse_term(void)
{
    int value = parse_factor();

    for (;;) {
        skip_blanks();
        if (*g_pos == '*') {
            g_pos++;
            value *= parse_factor();
        } else if (*g_pos == '/') {
            g_pos++;
            value /= parse_factor();   // ƒ[ƒœZ‚ÍŠm”F‚µ‚È‚¢
        } else {
            return value;
        }
    }
}

/* ‘«‚µZ‚Æˆø‚«Z */
static int parse_expr(void)
{
    int value = parse_term();

    for (;;) {
        skip_blanks();
        if (*g_pos == '+') {
            g_pos++;
            value += parse_term();
        } else if (*g_pos == '-') {
            g_pos++;
            value -= parse_term();
        } else {
            return value;
        }
    }
}

int main(int argc, char *argv[])
{
    char line[256];

    while (fgets(line, sizeof(line), stdin) != NULL) {
        g_pos = line;
        printf("%d\n", parse_expr());   /* Œ‹‰Ê‚ğ•\¦ */
    }
    return 0;
}
