# Sourced by the benchmarks: write_five_page_source RAW OUT writes a 5-page
# source by hand to RAW, without a cross-reference table, and has qpdf
# rewrite it (rebuilding the table) to OUT.
write_five_page_source() {
    {
        printf '%%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n'
        printf '2 0 obj << /Type /Pages /Kids [10 0 R 11 0 R 12 0 R 13 0 R 14 0 R] /Count 5 >> endobj\n'
        printf '3 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n'
        for p in 0 1 2 3 4; do
            printf '%d 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R >> endobj\n' $((10 + p)) $((20 + p))
            text="BT /F1 24 Tf 72 700 Td (page $((p + 1))) Tj ET"
            printf '%d 0 obj << /Length %d >> stream\n%s\nendstream endobj\n' $((20 + p)) ${#text} "$text"
        done
        printf 'trailer << /Size 25 /Root 1 0 R >>\n%%%%EOF\n'
    } >"$1"
    qpdf "$1" "$2" 2>/dev/null || [ $? -eq 3 ]
}
