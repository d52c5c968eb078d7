#include "app/globals.h"

int com_nummer;
int p1, p3, p4;
int m1;
int hol;
int fehlx;
int linear;

char out_buf[50];
char in_buf[50];

double wert[10];
int32_t set[16];
double ewert[12];

char p1_titel[16] = "K964 V3        ";
