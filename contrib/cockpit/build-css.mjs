// Writes the page's stylesheet: PatternFly's base and the components the page uses, in a fixed
// order, with its fonts taken from those Cockpit serves, then the page's own rules.
// Usage: node build-css.mjs PATTERNFLY-DIR PAGE-CSS OUTPUT
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";

const [patternfly, pageCss, output] = process.argv.slice(2);
const components = [
    "Alert/alert", "Backdrop/backdrop", "Button/button", "Card/card", "Check/check",
    "Content/content", "DescriptionList/description-list", "EmptyState/empty-state",
    "Form/form", "FormControl/form-control", "HelperText/helper-text", "Label/label",
    "ModalBox/modal-box", "Page/page", "Spinner/spinner", "Table/table", "Tabs/tabs",
    "Title/title",
];

// Cockpit serves the fonts below its static folder, two levels above a package's files.
const fonts = [];
for (const family of ["RedHatDisplay", "RedHatText", "RedHatMono"]) {
    for (const [weight, name] of [[400, "Regular"], [500, "Medium"], [700, "Bold"]]) {
        const url = `../../static/fonts/${family}-${name}.woff2`;
        fonts.push(`@font-face { font-family: "${family}"; font-style: normal; ` +
                   `font-weight: ${weight}; src: url("${url}") format("woff2"); }`);
    }
}

const read = (file) => readFileSync(file, "utf8");
const withoutFontFaces = (css) => css.replace(/@font-face\s*\{[^}]*\}\s*/g, "");
const version = JSON.parse(read(join(patternfly, "package.json"))).version;
const parts = [
    `/* PatternFly ${version} (MIT), as Cockpit's own pages use it; then the page's rules. */`,
    fonts.join("\n"),
    withoutFontFaces(read(join(patternfly, "patternfly-base.css"))),
    ...components.map((c) => withoutFontFaces(read(join(patternfly, "components", `${c}.css`)))),
    read(pageCss),
];
writeFileSync(output, parts.join("\n"));
