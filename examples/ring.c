/* ring.c -- 固定長のリングバッファ（受信データ用） */
#include <string.h>
#include "ring.h"

/* バッファを空にする */
void ring_init(RING *r)
{
    memset(r, 0, sizeof(*r));
}

/* 格納されているバイト数 */
int ring_count(const RING *r)
{
    return (r->head - r->tail + RING_SIZE) % RING_SIZE;
}

/* 1バイト追加。満杯なら 0 を返す */
int ring_put(RING *r, unsigned char c)
{
    if (ring_count(r) == RING_SIZE - 1)
        return 0;
    r->data[r->head] = c;
    r->head = (r->head + 1) % RING_SIZE;
    return 1;
}

/* 1バイト取り出し。空なら -1 */
int ring_get(RING *r)
{
    int c;

    if (ring_count(r) == 0)
        return -1;
    c = r->data[r->tail];
    r->tail = (r->tail + 1) % RING_SIZE;
    return c;
}
