-- The demo's sample database: a small shop, generated inside the server so the same rows come out on
-- every machine. Thirteen tables with the column types, keys, large objects, NULLs, multi-byte text
-- and over-long table name that real schemas have; about nine thousand rows.
--   scripts/sample-db.sh loads it into a database named shop (or the name it is given).

SET NAMES utf8mb4;

-- 0 to 9999, for generating rows without a loop.
CREATE TEMPORARY TABLE digits (d INT PRIMARY KEY);
INSERT INTO digits VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9);
CREATE TEMPORARY TABLE seq (n INT PRIMARY KEY);
INSERT INTO seq
SELECT a.d + 10 * b.d + 100 * c.d + 1000 * e.d FROM digits a, digits b, digits c, digits e;

CREATE TABLE categories (
    id SMALLINT NOT NULL PRIMARY KEY,
    name VARCHAR(60) NOT NULL,
    parent_id SMALLINT NULL,
    description TEXT NULL,
    KEY idx_categories_parent (parent_id)
) ENGINE = InnoDB;
INSERT INTO categories VALUES
    (1, 'Kitchen', NULL, 'Pots, pans and everything for cooking.'),
    (2, 'Cookware', 1, 'Cast iron, steel and enamel.'),
    (3, 'Knives', 1, NULL),
    (4, 'Garden', NULL, 'Tools and seeds for the garden.'),
    (5, 'Seeds', 4, 'Organic seeds from small growers.'),
    (6, 'Tea & Coffee', NULL, 'Teas from 云南 and 福建, coffee from Ethiopia.'),
    (7, 'Teaware', 6, 'Cups, pots and kettles – handmade.'),
    (8, 'Books', NULL, NULL),
    (9, 'Cookbooks', 8, 'Recipes from around the world: Küche, cuisine, 料理.'),
    (10, 'Toys', NULL, 'Wooden toys.'),
    (11, 'Outdoor', NULL, 'Camping and hiking.'),
    (12, 'Gift cards', NULL, '');

CREATE TABLE suppliers (
    id INT NOT NULL PRIMARY KEY,
    name VARCHAR(80) NOT NULL,
    country CHAR(2) NOT NULL,
    contact_email VARCHAR(120) NULL,
    year_founded YEAR NULL
) ENGINE = InnoDB;
INSERT INTO suppliers
SELECT n,
       CONCAT(ELT(1 + n % 5, 'Nordlicht', 'Atelier Soleil', '山水茶业', 'Green Valley', 'Kōbō Ishida'), ' ', n),
       ELT(1 + n % 5, 'DE', 'FR', 'CN', 'US', 'JP'),
       IF(n % 4 = 0, NULL, CONCAT('orders', n, '@supplier.example')),
       IF(n % 6 = 0, NULL, 1950 + n * 2)
FROM seq WHERE n BETWEEN 1 AND 25;

CREATE TABLE customers (
    id INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY,
    email VARCHAR(120) NOT NULL,
    full_name VARCHAR(80) NOT NULL,
    city VARCHAR(40) NULL,
    birth_date DATE NULL,
    created_at DATETIME NOT NULL,
    vip TINYINT(1) NOT NULL DEFAULT 0,
    UNIQUE KEY uq_customers_email (email),
    KEY idx_customers_city_name (city, full_name)
) ENGINE = InnoDB;
INSERT INTO customers (id, email, full_name, city, birth_date, created_at, vip)
SELECT n,
       CONCAT('customer', n, '@mail.example'),
       CONCAT(ELT(1 + n % 8, 'Anna', 'Jürgen', '李', 'Zoë', 'Søren', '佐藤', 'Chloé', 'Олег'), ' ',
              ELT(1 + (n DIV 8) % 6, 'Schmidt', 'Dubois', '王', 'Nakamura', 'García', 'Øster')),
       IF(n % 9 = 0, NULL, ELT(1 + n % 6, 'Berlin', 'Lyon', '上海', 'Kyoto', 'Málaga', 'Tromsø')),
       IF(n % 5 = 0, NULL, DATE_ADD('1950-01-01', INTERVAL (n * 37) % 20000 DAY)),
       DATE_ADD('2020-01-01 08:00:00', INTERVAL n * 131 MINUTE),
       n % 11 = 0
FROM seq WHERE n BETWEEN 1 AND 500;

CREATE TABLE addresses (
    id INT NOT NULL PRIMARY KEY,
    customer_id INT UNSIGNED NOT NULL,
    line1 VARCHAR(100) NOT NULL,
    line2 VARCHAR(100) NULL,
    postcode CHAR(10) NULL,
    country CHAR(2) NOT NULL,
    KEY idx_addresses_customer (customer_id)
) ENGINE = InnoDB;
INSERT INTO addresses
SELECT n, 1 + (n * 7) % 500,
       CONCAT(n, ' ', ELT(1 + n % 5, 'Hauptstraße', 'rue de la Paix', '南京路', 'Main Street', 'Calle Mayor')),
       IF(n % 3 = 0, CONCAT('Apt. ', n % 40), NULL),
       IF(n % 10 = 0, NULL, LPAD(n * 13 % 99999, 5, '0')),
       ELT(1 + n % 5, 'DE', 'FR', 'CN', 'US', 'ES')
FROM seq WHERE n BETWEEN 1 AND 600;

CREATE TABLE products (
    id INT NOT NULL PRIMARY KEY,
    sku VARCHAR(20) NOT NULL,
    category_id SMALLINT NOT NULL,
    supplier_id INT NULL,
    name VARCHAR(120) NOT NULL,
    price DECIMAL(10,2) NOT NULL,
    weight_kg FLOAT NULL,
    stock INT UNSIGNED NOT NULL,
    active ENUM('yes','no') NOT NULL DEFAULT 'yes',
    tags SET('new','sale','eco','gift') NULL,
    released DATE NULL,
    UNIQUE KEY uq_products_sku (sku),
    KEY idx_products_category (category_id),
    KEY idx_products_supplier_price (supplier_id, price)
) ENGINE = InnoDB;
INSERT INTO products
SELECT n,
       CONCAT('SKU-', LPAD(n, 6, '0')),
       1 + n % 12,
       IF(n % 10 = 0, NULL, 1 + n % 25),
       CONCAT(ELT(1 + n % 10, 'Cast iron pan', 'Chef''s knife', '龙井茶', 'Garden trowel', 'Tomato seeds',
                  'Teapot "Yixing"', 'Kochbuch für Anfänger', 'Wooden train', 'Tent 2p', 'Gift card'),
              ' #', n),
       ROUND(1.99 + (n * 37 % 20000) / 100, 2),
       IF(n % 7 = 0, NULL, (n % 50) / 4),
       (n * 17) % 300,
       IF(n % 13 = 0, 'no', 'yes'),
       ELT(1 + n % 5, NULL, 'new', 'sale', 'eco,gift', 'new,sale'),
       IF(n % 8 = 0, NULL, DATE_ADD('2018-03-01', INTERVAL n * 5 DAY))
FROM seq WHERE n BETWEEN 1 AND 200;

-- Large objects: a few kilobytes of bytes that are not text (every byte value occurs).
CREATE TABLE product_images (
    id INT NOT NULL PRIMARY KEY,
    product_id INT NOT NULL,
    mime VARCHAR(30) NOT NULL,
    caption TINYTEXT NULL,
    image MEDIUMBLOB NULL,
    KEY idx_product_images_product (product_id)
) ENGINE = InnoDB;
INSERT INTO product_images
SELECT n, 1 + (n * 3) % 200, IF(n % 2 = 0, 'image/png', 'image/jpeg'),
       IF(n % 4 = 0, NULL, CONCAT('Photo ', n, ' – 照片')),
       IF(n % 10 = 0, NULL,
          CONCAT(UNHEX('89504E470D0A1A0A0000'),
                 REPEAT(UNHEX(CONCAT(SHA2(CONCAT('img', n), 256), SHA2(CONCAT('pix', n), 512))), 20 + n % 60)))
FROM seq WHERE n BETWEEN 1 AND 40;

CREATE TABLE orders (
    id BIGINT NOT NULL PRIMARY KEY,
    customer_id INT UNSIGNED NOT NULL,
    ordered_at TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP,
    status ENUM('new','paid','shipped','delivered','cancelled') NOT NULL,
    total DECIMAL(12,2) NOT NULL,
    note VARCHAR(255) NULL,
    KEY idx_orders_customer (customer_id),
    KEY idx_orders_status_date (status, ordered_at)
) ENGINE = InnoDB;
INSERT INTO orders
SELECT 100000 + n, 1 + (n * 13) % 500,
       DATE_ADD('2023-01-01 09:00:00', INTERVAL n * 347 MINUTE),
       ELT(1 + n % 5, 'new', 'paid', 'shipped', 'delivered', 'cancelled'),
       ROUND((n * 7919 % 50000) / 100 + 5, 2),
       CASE n % 6 WHEN 0 THEN 'Please ring twice.' WHEN 1 THEN '请放在门口' WHEN 2 THEN 'Bitte beim Nachbarn abgeben'
                  ELSE NULL END
FROM seq WHERE n BETWEEN 1 AND 1000;

CREATE TABLE order_items (
    order_id BIGINT NOT NULL,
    line_no SMALLINT NOT NULL,
    product_id INT NOT NULL,
    quantity SMALLINT NOT NULL,
    unit_price DECIMAL(10,2) NOT NULL,
    PRIMARY KEY (order_id, line_no),
    KEY idx_order_items_product (product_id)
) ENGINE = InnoDB;
INSERT INTO order_items
SELECT 100000 + 1 + (n - 1) DIV 3, 1 + (n - 1) % 3, 1 + (n * 11) % 200, 1 + n % 4,
       ROUND(1.99 + (n * 37 % 20000) / 100, 2)
FROM seq WHERE n BETWEEN 1 AND 2500;

CREATE TABLE payments (
    id INT NOT NULL PRIMARY KEY,
    order_id BIGINT NOT NULL,
    method VARCHAR(20) NOT NULL,
    amount DOUBLE NOT NULL,
    paid_at DATETIME NULL,
    KEY idx_payments_order (order_id)
) ENGINE = InnoDB;
INSERT INTO payments
SELECT n, 100000 + n, ELT(1 + n % 4, 'card', 'invoice', 'paypal', 'alipay'),
       ROUND((n * 7919 % 50000) / 100 + 5, 2),
       IF(n % 12 = 0, NULL, DATE_ADD('2023-01-01 10:00:00', INTERVAL n * 347 MINUTE))
FROM seq WHERE n BETWEEN 1 AND 950;

CREATE TABLE shipments (
    id INT NOT NULL PRIMARY KEY,
    order_id BIGINT NOT NULL,
    carrier VARCHAR(30) NOT NULL,
    tracking_code CHAR(16) NULL,
    shipped_on DATE NULL,
    delivery_window TIME NULL,
    KEY idx_shipments_order (order_id)
) ENGINE = InnoDB;
INSERT INTO shipments
SELECT n, 100000 + n, ELT(1 + n % 3, 'DHL', 'La Poste', '顺丰速运'),
       IF(n % 5 = 0, NULL, UPPER(LEFT(SHA2(CONCAT('track', n), 256), 16))),
       IF(n % 7 = 0, NULL, DATE_ADD('2023-01-02', INTERVAL n DAY)),
       IF(n % 3 = 0, NULL, SEC_TO_TIME(8 * 3600 + (n % 20) * 1800))
FROM seq WHERE n BETWEEN 1 AND 900;

CREATE TABLE reviews (
    id INT NOT NULL PRIMARY KEY,
    product_id INT NOT NULL,
    customer_id INT UNSIGNED NOT NULL,
    rating TINYINT NOT NULL,
    title VARCHAR(100) NULL,
    body LONGTEXT NULL,
    KEY idx_reviews_product_rating (product_id, rating)
) ENGINE = InnoDB;
INSERT INTO reviews
SELECT n, 1 + (n * 7) % 200, 1 + (n * 3) % 500, 1 + n % 5,
       ELT(1 + n % 4, 'Great', 'Très bien', '很好', NULL),
       IF(n % 9 = 0, NULL,
          CONCAT(REPEAT(ELT(1 + n % 3, 'Works as described. ', 'Schnelle Lieferung, gute Qualität. ',
                           '质量很好，物流很快。'), 1 + n % 40),
                 IF(n % 50 = 0, REPEAT('Long review text. ', 400), '')))
FROM seq WHERE n BETWEEN 1 AND 400;

-- A name of 41 bytes: Oracle keeps table names to 30, so the wizard shortens it.
CREATE TABLE customer_loyalty_program_memberships_2024 (
    customer_id INT UNSIGNED NOT NULL PRIMARY KEY,
    tier VARCHAR(10) NOT NULL,
    points INT NOT NULL,
    joined DATE NOT NULL
) ENGINE = InnoDB;
INSERT INTO customer_loyalty_program_memberships_2024
SELECT n * 2, ELT(1 + n % 3, 'bronze', 'silver', 'gold'), (n * 97) % 5000, DATE_ADD('2024-01-01', INTERVAL n % 300 DAY)
FROM seq WHERE n BETWEEN 1 AND 240;

CREATE TABLE stock_movements (
    id INT NOT NULL PRIMARY KEY,
    product_id INT NOT NULL,
    moved_at DATETIME NOT NULL,
    quantity INT NOT NULL,
    reason VARCHAR(40) NULL,
    KEY idx_stock_movements_product_date (product_id, moved_at)
) ENGINE = InnoDB;
INSERT INTO stock_movements
SELECT n, 1 + n % 200, DATE_ADD('2023-01-01 06:00:00', INTERVAL n * 211 MINUTE),
       IF(n % 4 = 0, -(n % 9) - 1, n % 50 + 1),
       ELT(1 + n % 4, 'delivery', 'sale', 'return', NULL)
FROM seq WHERE n BETWEEN 1 AND 1200;

DROP TEMPORARY TABLE seq;
DROP TEMPORARY TABLE digits;
